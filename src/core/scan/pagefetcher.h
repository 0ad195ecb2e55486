#pragma once

#include <chrono>
#include <memory>
#include <optional>

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QObject>
#include <QSslCertificate>
#include <QSslError>
#include <QTimer>

#include "core/scan/fetchresult.h"

class QNetworkReply;

namespace qs::scan {

// The values the progress bar takes while a body of `characters` characters is handed over in
// pieces of 1024, given the length the server announced (0: none). The percentage is taken before
// each piece, so it lags one piece behind, and it is set once more on the final empty read.
QList<double> progressValues(qsizetype characters, qint64 announcedLength);

// Fetches one page at a time with an HTTP GET.
//
// The request goes straight to the server (no proxy), carries no cookies, speaks HTTP/1.1 also
// over TLS, and verifies certificates. A limit covers the whole request, not only silence, so a
// server that trickles its answer cannot hold a scan run up.
class PageFetcher : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds DefaultRequestTimeout{30'000};
    static constexpr qint64 DefaultMaxBodyBytes = qint64{16} * 1024 * 1024;

    explicit PageFetcher(QObject *parent = nullptr);
    ~PageFetcher() override;

    // The limit on the whole request, from fetch() to the last byte; zero or less: none.
    void setRequestTimeout(std::chrono::milliseconds limit);
    // Bytes of (decompressed) body kept; a longer body is cut there and reported as truncated.
    void setMaxBodyBytes(qint64 bytes);
    // Certificates trusted in addition to the system's, for servers with a private authority.
    void setExtraCaCertificates(const QList<QSslCertificate> &certificates);

    // Starts one GET and returns at once. Returns a Refusal, and emits nothing, when the URL cannot
    // be requested or a request is still under way; otherwise exactly one finished() follows.
    std::optional<Refusal> fetch(const QString &storedUrl);
    bool isBusy() const;
    // Ends the current request; its finished() (state 11) is emitted before abort() returns.
    void abort();

signals:
    // The request is under way (emitted before fetch() returns).
    void loading();
    // The one outcome of a request. The fetcher is idle again when this is emitted, so a receiver
    // may start the next fetch() right away.
    void finished(const qs::scan::FetchResult &result);

private:
    struct DeleteLater
    {
        void operator()(QNetworkReply *reply) const;
    };
    enum class Ending
    {
        None,
        TimedOut,
        Aborted,
        Truncated
    };

    bool keepBody(QNetworkReply &reply);
    void readAvailable();
    void onRedirected(const QUrl &target);
    void onDeadline();
    void onFinished();
    FetchResult resultOf(QNetworkReply &reply) const;
    void describeFailure(const QNetworkReply &reply, int status, FetchResult &result) const;
    void endEarly(Ending ending);

    QNetworkAccessManager m_network;
    QTimer m_deadline;
    std::chrono::milliseconds m_requestTimeout = DefaultRequestTimeout;
    qint64 m_maxBodyBytes = DefaultMaxBodyBytes;
    QList<QSslCertificate> m_extraCaCertificates;

    // State of the request under way.
    std::unique_ptr<QNetworkReply, DeleteLater> m_reply;
    QByteArray m_body;
    Ending m_ending = Ending::None;
    QList<QSslError> m_sslErrors;
};

} // namespace qs::scan
