#include "loopbackhttpserver.h"

#include <algorithm>

#include <sys/socket.h>

#include <QHostAddress>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace qs::test {
namespace {

using Framing = LoopbackHttpServer::Framing;

QByteArray framedBody(const LoopbackHttpServer::Response &response)
{
    if (response.framing != Framing::Chunked)
        return response.body;
    // RFC 9112 section 7.1: size in hex, CRLF, data, CRLF; a zero-size chunk ends the body.
    QByteArray wire;
    for (qsizetype at = 0; at < response.body.size(); at += 512) {
        const QByteArray chunk = response.body.mid(at, 512);
        wire += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
    }
    return wire + "0\r\n\r\n";
}

QByteArray responseHead(const LoopbackHttpServer::Response &response)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + response.reason + "\r\n";
    bool hasLength = false;
    for (const auto &[name, value] : response.headers) {
        hasLength = hasLength || name.compare("content-length", Qt::CaseInsensitive) == 0;
        head += name + ": " + value + "\r\n";
    }
    if (response.framing == Framing::Close)
        head += "Connection: close\r\n";
    else if (response.framing == Framing::Chunked)
        head += "Transfer-Encoding: chunked\r\n";
    else if (!hasLength)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    return head + "\r\n";
}

qsizetype requestBodyLength(const QByteArray &head)
{
    for (const QByteArray &line : LoopbackHttpServer::headerLines(head)) {
        if (line.toLower().startsWith("content-length:"))
            return std::max<qsizetype>(0, line.mid(15).trimmed().toLongLong());
    }
    return 0;
}

} // namespace

// One accepted connection. It answers the requests on it one after another (keep-alive) and
// deletes itself when the peer goes away.
class LoopbackHttpServer::Session : public QObject
{
public:
    Session(LoopbackHttpServer &server, QTcpSocket *socket)
        : QObject(&server)
        , m_server(server)
        , m_socket(socket)
    {
        m_socket->setParent(this);
        connect(m_socket, &QTcpSocket::readyRead, this, &Session::readRequests);
        connect(m_socket, &QTcpSocket::disconnected, this, &QObject::deleteLater);
        connect(&m_trickle, &QTimer::timeout, this, &Session::trickle);
        if (m_socket->state() != QAbstractSocket::ConnectedState)
            deleteLater();
        else
            readRequests(); // a TLS socket may already hold data when it is handed over
    }

private:
    void readRequests()
    {
        m_received += m_socket->readAll();
        while (!m_answering) {
            const qsizetype skipped = std::min(m_skipBytes, m_received.size());
            m_received.remove(0, skipped);
            m_skipBytes -= skipped;
            const qsizetype end = m_received.indexOf("\r\n\r\n");
            if (m_skipBytes > 0 || end < 0)
                return;
            const QByteArray head = m_received.left(end + 4);
            m_received.remove(0, head.size());
            m_skipBytes = requestBodyLength(head);
            const QByteArray target = head.left(head.indexOf("\r\n")).split(' ').value(1);
            m_server.record(head, target);
            answer(m_server.responseFor(target));
        }
    }

    void answer(Response response)
    {
        m_answering = true; // until the answer is complete on the wire
        if (response.delay.count() > 0) {
            m_server.answering(+1);
            QTimer::singleShot(response.delay, this, [this, response] {
                m_server.answering(-1);
                answer(response.delayed({}));
                if (!m_answering)
                    readRequests();
            });
            return;
        }
        const QByteArray wire = framedBody(response);
        switch (response.behaviour) {
        case Behaviour::Normal:
            m_socket->write(responseHead(response) + wire);
            m_answering = response.framing == Framing::Close;
            if (m_answering)
                closeAfterAnswer();
            break;
        case Behaviour::Stall:
            break;
        case Behaviour::CloseWithoutResponse:
            closeAfterAnswer();
            break;
        case Behaviour::Raw:
            m_socket->write(response.raw);
            closeAfterAnswer();
            break;
        case Behaviour::CutMidway:
            m_socket->write(responseHead(response) + wire.left(wire.size() / 2));
            closeAfterAnswer();
            break;
        case Behaviour::ResetMidway:
            m_socket->write(responseHead(response) + wire.left(wire.size() / 2));
            m_socket->flush();
            // A reset, not an orderly close: with a zero linger time close() sends RST.
            QTimer::singleShot(50, this, [this] {
                const linger reset{1, 0};
                ::setsockopt(int(m_socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
                m_socket->abort();
            });
            break;
        case Behaviour::EndlessHeaders:
            m_socket->write("HTTP/1.1 200 OK\r\n");
            m_endless = true;
            m_trickle.start(response.trickleInterval);
            break;
        case Behaviour::Trickle:
            m_socket->write(responseHead(response));
            m_pending = wire;
            m_trickleBytes = std::max<qsizetype>(1, response.trickleBytes);
            m_closeAfterTrickle = response.framing == Framing::Close;
            m_trickle.start(response.trickleInterval);
            break;
        }
    }

    void trickle()
    {
        if (m_endless) {
            m_socket->write("X-Drip: more\r\n");
            return;
        }
        m_socket->write(m_pending.left(m_trickleBytes));
        m_pending.remove(0, std::min(m_trickleBytes, m_pending.size()));
        if (!m_pending.isEmpty())
            return;
        m_trickle.stop();
        if (m_closeAfterTrickle) {
            closeAfterAnswer();
        } else {
            m_answering = false;
            readRequests();
        }
    }

    // Closes once everything written has gone out; nothing more is read.
    void closeAfterAnswer() { m_socket->disconnectFromHost(); }

    LoopbackHttpServer &m_server;
    QTcpSocket *m_socket; // a child of this session
    QByteArray m_received;
    qsizetype m_skipBytes = 0;
    bool m_answering = false;
    QTimer m_trickle;
    QByteArray m_pending;
    qsizetype m_trickleBytes = 1;
    bool m_closeAfterTrickle = false;
    bool m_endless = false;
};

LoopbackHttpServer::Response LoopbackHttpServer::page(QByteArray body, QByteArray contentType)
{
    Response response;
    response.headers.append({QByteArrayLiteral("Content-Type"), std::move(contentType)});
    response.body = std::move(body);
    return response;
}

LoopbackHttpServer::Response LoopbackHttpServer::misbehaving(Behaviour behaviour, QByteArray body)
{
    Response response = page(std::move(body));
    response.behaviour = behaviour;
    return response;
}

LoopbackHttpServer::Response LoopbackHttpServer::raw(QByteArray bytes)
{
    Response response;
    response.behaviour = Behaviour::Raw;
    response.raw = std::move(bytes);
    return response;
}

LoopbackHttpServer::Response LoopbackHttpServer::redirect(QByteArray location, int status)
{
    Response response = page(QByteArrayLiteral("moved"));
    response.status = status;
    response.reason = status == 301 ? QByteArrayLiteral("Moved Permanently") : QByteArrayLiteral("Found");
    response.headers = {{QByteArrayLiteral("Location"), std::move(location)}};
    return response;
}

LoopbackHttpServer::LoopbackHttpServer(QObject *parent)
    : QObject(parent)
{}

LoopbackHttpServer::~LoopbackHttpServer() = default;

bool LoopbackHttpServer::listen(const QString &address)
{
    m_address = address;
    return startListening(std::make_unique<QTcpServer>(), false);
}

bool LoopbackHttpServer::listenTls(const QSslCertificate &certificate, const QSslKey &privateKey)
{
    auto server = std::make_unique<QSslServer>();
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificate(certificate);
    tls.setPrivateKey(privateKey);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    tls.setAllowedNextProtocols(
        {QSslConfiguration::ALPNProtocolHTTP2, QSslConfiguration::NextProtocolHttp1_1});
    server->setSslConfiguration(tls);
    return startListening(std::move(server), true);
}

bool LoopbackHttpServer::startListening(std::unique_ptr<QTcpServer> server, bool tls)
{
    // pendingConnectionAvailable, not newConnection: a TLS connection is handed over only after
    // its handshake.
    connect(server.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            ++m_acceptedConnections;
            new Session(*this, socket); // owned by this server through QObject parenthood
        }
    });
    if (!server->listen(QHostAddress(m_address), 0)) {
        m_errorString = server->errorString();
        return false;
    }
    m_tls = tls;
    m_server = std::move(server);
    return true;
}

void LoopbackHttpServer::answering(int change)
{
    m_atOnce += change;
    m_mostAtOnce = std::max(m_mostAtOnce, m_atOnce);
}

quint16 LoopbackHttpServer::port() const
{
    return m_server ? m_server->serverPort() : 0;
}

QUrl LoopbackHttpServer::url(const QString &path) const
{
    return QUrl(QStringLiteral("%1://%2:%3%4")
                    .arg(QLatin1String(m_tls ? "https" : "http"), m_address)
                    .arg(port())
                    .arg(path));
}

LoopbackHttpServer::Response LoopbackHttpServer::responseFor(const QByteArray &target) const
{
    const QString full = QString::fromLatin1(target);
    for (const QString &key : {full, full.section(QLatin1Char('?'), 0, 0)}) {
        if (const auto it = m_responses.constFind(key); it != m_responses.constEnd())
            return *it;
    }
    Response notFound = page(QByteArrayLiteral("<html><body>Not Found</body></html>"));
    notFound.status = 404;
    notFound.reason = QByteArrayLiteral("Not Found");
    return notFound;
}

void LoopbackHttpServer::record(const QByteArray &head, const QByteArray &target)
{
    m_requestHeads.append(head);
    m_requestPaths.append(target.split('?').constFirst());
    emit requestReceived(head);
}

void LoopbackHttpServer::clearRequests()
{
    m_requestHeads.clear();
    m_requestPaths.clear();
    m_mostAtOnce = m_atOnce;
}

int LoopbackHttpServer::openConnections() const
{
    const QList<QTcpSocket *> sockets = findChildren<QTcpSocket *>();
    return int(std::count_if(sockets.cbegin(), sockets.cend(), [](const QTcpSocket *socket) {
        return socket->state() != QAbstractSocket::UnconnectedState;
    }));
}

QList<QByteArray> LoopbackHttpServer::headerLines(const QByteArray &head)
{
    QList<QByteArray> headers;
    for (const QByteArray &line : head.split('\n').mid(1)) {
        if (!line.trimmed().isEmpty())
            headers.append(line.endsWith('\r') ? line.chopped(1) : line);
    }
    return headers;
}

} // namespace qs::test
