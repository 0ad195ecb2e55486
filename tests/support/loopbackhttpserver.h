#pragma once

#include <chrono>
#include <memory>
#include <utility>

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QUrl>

class QSslCertificate;
class QSslKey;
class QTcpServer;

namespace qs::test {

// An HTTP/1.1 server on 127.0.0.1 for tests, with canned answers per path and the ways real servers
// misbehave. It records every request head exactly as it arrived.
class LoopbackHttpServer : public QObject
{
    Q_OBJECT
public:
    enum class Behaviour
    {
        Normal,               // the whole answer at once
        Stall,                // read the request and never answer
        CutMidway,            // announce the whole body, send half of it, then close
        Trickle,              // the head at once, then the body a few bytes at a time
        CloseWithoutResponse, // read the request and close without sending a byte
        Raw,                  // send `raw` exactly as it is, then close
        ResetMidway,          // announce the whole body, send half of it, then reset the connection
        EndlessHeaders,       // a status line, then one header line per trickleInterval, for ever
    };
    // How the end of the body is marked (RFC 9112 section 6).
    enum class Framing
    {
        ContentLength, // Content-Length field (not added when the headers already carry one)
        Close,         // no length at all: "Connection: close" and the body ends when the connection does
        Chunked,       // Transfer-Encoding: chunked
    };

    struct Response
    {
        int status = 200;
        QByteArray reason = QByteArrayLiteral("OK");
        QList<std::pair<QByteArray, QByteArray>> headers; // sent in this order, before the framing field
        QByteArray body;
        Behaviour behaviour = Behaviour::Normal;
        Framing framing = Framing::ContentLength;
        qsizetype trickleBytes = 1;
        std::chrono::milliseconds trickleInterval{20};
        std::chrono::milliseconds delay{0}; // before anything is sent
        QByteArray raw;

        Response delayed(std::chrono::milliseconds by) const
        {
            Response later = *this;
            later.delay = by;
            return later;
        }
    };
    // An answer sent byte for byte as given ("HTTP/1.1 200 OK\r\n..."), for answers no real
    // server should send.
    static Response raw(QByteArray bytes);
    // A 200 answer with a Content-Type field.
    static Response page(QByteArray body,
                         QByteArray contentType = QByteArrayLiteral("text/html; charset=utf-8"));
    // page(body), sent the given way.
    static Response misbehaving(Behaviour behaviour, QByteArray body = {});
    // A redirect to location (absolute or relative).
    static Response redirect(QByteArray location, int status = 302);

    explicit LoopbackHttpServer(QObject *parent = nullptr);
    ~LoopbackHttpServer() override;

    // Listens on 127.0.0.1 (or another loopback address) at a free port; false (see
    // errorString()) when that fails.
    bool listen(const QString &address = QStringLiteral("127.0.0.1"));
    // As listen(), but every connection must first complete a TLS handshake with this certificate.
    // The server offers "h2" through ALPN (RFC 7301) next to "http/1.1", as public servers do, so
    // a client that would take HTTP/2 is seen doing so: its connection preface "PRI * HTTP/2.0"
    // is recorded as a request head (and answered with 404).
    bool listenTls(const QSslCertificate &certificate, const QSslKey &privateKey);
    QString errorString() const { return m_errorString; }
    quint16 port() const;
    // http(s)://127.0.0.1:<port><path>; path may carry a query.
    QUrl url(const QString &path = QStringLiteral("/")) const;

    // The answer for a request target: an exact match of path and query first, then the path alone.
    // Unknown paths get 404 Not Found.
    void setResponse(const QString &path, Response response) { m_responses[path] = std::move(response); }

    // Every request head received, from the request line to the empty line that ends it, as raw bytes.
    QList<QByteArray> requestHeads() const { return m_requestHeads; }
    // Requests received whose target (without query) was path.
    int requestCount(const QString &path) const { return int(m_requestPaths.count(path.toLatin1())); }
    void clearRequests();
    // Requests answered so far but not yet complete on the wire: at most this many were in
    // flight at once.
    int mostAtOnce() const { return m_mostAtOnce; }
    // Connections accepted so far, and those still open.
    int acceptedConnections() const { return m_acceptedConnections; }
    int openConnections() const;

    // The header lines of a request head, without the request line and the line ends.
    static QList<QByteArray> headerLines(const QByteArray &head);

signals:
    void requestReceived(const QByteArray &head);

private:
    class Session;

    bool startListening(std::unique_ptr<QTcpServer> server, bool tls);
    void answering(int change);
    Response responseFor(const QByteArray &target) const;
    void record(const QByteArray &head, const QByteArray &target);

    std::unique_ptr<QTcpServer> m_server;
    bool m_tls = false;
    QString m_errorString;
    QHash<QString, Response> m_responses;
    QList<QByteArray> m_requestHeads;
    QList<QByteArray> m_requestPaths;
    QString m_address = QStringLiteral("127.0.0.1");
    int m_atOnce = 0;
    int m_mostAtOnce = 0;
    int m_acceptedConnections = 0;
};

} // namespace qs::test
