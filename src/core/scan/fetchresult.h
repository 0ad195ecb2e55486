#pragma once

#include <chrono>

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QString>

namespace qs::scan {

// Failure numbers of the fetcher as the error pane shows them, in FetchResult::responseCode and
// Refusal::number. Operators and their scripts match these numbers (12007: the host name did not
// resolve), so they never change; the text of each failure goes with it.
namespace fetchcode {
inline constexpr int None = 0;
inline constexpr int Timeout = 12002;               // the whole request took longer than its limit
inline constexpr int ExtendedError = 12003;         // anything else: see the text
inline constexpr int InvalidUrl = 12005;            // the stored URL cannot be requested
inline constexpr int UnrecognizedScheme = 12006;    // a scheme other than http and https
inline constexpr int NameNotResolved = 12007;       // the host name did not resolve
inline constexpr int OperationCancelled = 12017;    // the request was ended by the program
inline constexpr int IncorrectHandleState = 12019;  // the fetcher could not take the request
inline constexpr int CannotConnect = 12029;         // connection refused or unreachable
inline constexpr int ConnectionAborted = 12030;     // the connection ended before the answer did
inline constexpr int CertDateInvalid = 12037;       // certificate expired or not yet valid
inline constexpr int CertNameInvalid = 12038;       // certificate issued for another host
inline constexpr int InvalidCa = 12045;             // certificate from an authority not trusted
inline constexpr int InvalidServerResponse = 12152; // an answer that cannot be read as HTTP
inline constexpr int RedirectFailed = 12156;        // a redirect that is not followed
inline constexpr int SecurityChannelError = 12157;  // the TLS handshake failed
inline constexpr int CertInvalid = 12169;           // any other certificate problem
inline constexpr int CertRevoked = 12170;           // certificate revoked
} // namespace fetchcode

// The outcome of one GET.
struct FetchResult
{
    // 12: an answer with an HTTP status arrived whole and its body was read (404 and 500
    // included); 11: the request failed without a usable answer.
    static constexpr int Failed = 11;
    static constexpr int Completed = 12;

    int state = Failed;
    int httpStatus = 0;
    // "HTTP/1.1 <code> <reason>\r\n", then each "Name: value\r\n" of the final answer in the
    // order the server sent them. Empty when the request failed.
    QString headerBlock;
    // The decoded body; empty when the request failed.
    QString body;
    // The name of the encoding the body was decoded with ("UTF-8", "windows-1252", ...).
    QByteArray encoding;
    // The URL of the final answer, after redirects.
    QString finalUrl;
    // The values the progress bar takes while the body is handed over in pieces of 1024
    // characters; empty when the server announced no length.
    QList<double> progress;
    int responseCode = fetchcode::None; // one of fetchcode; None when the request did not fail
    QString responseInfo;               // the text of this request's failure; empty when none
    bool timedOut = false;              // the whole-request limit expired
    bool truncated = false;             // the body outgrew the size limit; its first part was kept
};

// Why a URL was not requested at all.
struct Refusal
{
    int number = fetchcode::None;
    QString description;
};

// The rules of one GET, the same for every request of a run.
struct TransferRules
{
    std::chrono::milliseconds timeLimit{30'000}; // the whole request, redirects included
    qint64 maxBodyBytes = qint64{16} * 1024 * 1024;
    // A PEM file of certificate authorities used instead of the system's (servers of the tests).
    QByteArray caFile;
};

} // namespace qs::scan

Q_DECLARE_METATYPE(qs::scan::FetchResult)
