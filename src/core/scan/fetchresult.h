#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

namespace qs::scan {

// Failure numbers reported in FetchResult::responseCode and Refusal::number. They follow the
// WinInet numbering that the error log and its readers know (12007: host name not resolved); the text of each
// failure goes with it in responseInfo / description.
namespace fetchcode {
inline constexpr int None = 0;
inline constexpr int Timeout = 12002;               // ERROR_INTERNET_TIMEOUT
inline constexpr int ExtendedError = 12003;         // ERROR_INTERNET_EXTENDED_ERROR: see the text
inline constexpr int InvalidUrl = 12005;            // ERROR_INTERNET_INVALID_URL
inline constexpr int UnrecognizedScheme = 12006;    // ERROR_INTERNET_UNRECOGNIZED_SCHEME
inline constexpr int NameNotResolved = 12007;       // ERROR_INTERNET_NAME_NOT_RESOLVED
inline constexpr int OperationCancelled = 12017;    // ERROR_INTERNET_OPERATION_CANCELLED
inline constexpr int IncorrectHandleState = 12019;  // ERROR_INTERNET_INCORRECT_HANDLE_STATE: still busy
inline constexpr int CannotConnect = 12029;         // ERROR_INTERNET_CANNOT_CONNECT
inline constexpr int ConnectionAborted = 12030;     // ERROR_INTERNET_CONNECTION_ABORTED
inline constexpr int CertDateInvalid = 12037;       // ERROR_INTERNET_SEC_CERT_DATE_INVALID
inline constexpr int CertNameInvalid = 12038;       // ERROR_INTERNET_SEC_CERT_CN_INVALID
inline constexpr int InvalidCa = 12045;             // ERROR_INTERNET_INVALID_CA
inline constexpr int InvalidServerResponse = 12152; // ERROR_HTTP_INVALID_SERVER_RESPONSE
inline constexpr int RedirectFailed = 12156;        // ERROR_HTTP_REDIRECT_FAILED
inline constexpr int SecurityChannelError = 12157;  // ERROR_INTERNET_SECURITY_CHANNEL_ERROR
inline constexpr int CertInvalid = 12169;           // ERROR_INTERNET_SEC_INVALID_CERT
inline constexpr int CertRevoked = 12170;           // ERROR_INTERNET_SEC_CERT_REVOKED
} // namespace fetchcode

// The outcome of one GET.
struct FetchResult
{
    // 12: a reply with an HTTP status arrived and its body was read (404 and 500 included);
    // 11: the request failed without a usable reply.
    static constexpr int Failed = 11;
    static constexpr int Completed = 12;

    int state = Failed;
    int httpStatus = 0;
    // "HTTP/1.1 <code> <reason>\r\n", then each "Name: value\r\n" in the order the server sent them.
    // Empty when the request failed.
    QString headerBlock;
    // The decoded body; empty when the request failed.
    QString body;
    // The values the progress bar takes while the body is handed over in pieces of 1024 characters;
    // empty when the server announced no Content-Length.
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

} // namespace qs::scan

Q_DECLARE_METATYPE(qs::scan::FetchResult)
