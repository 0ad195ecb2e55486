#include "pagefetcher.h"

#include <algorithm>
#include <cmath>

#include <QLoggingCategory>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslConfiguration>

#include "scan/bodydecoder.h"
#include "scan/requesturl.h"

// Every request is logged at debug level; switch it on with
// QT_LOGGING_RULES="quillmere.scan.fetch.debug=true".
Q_LOGGING_CATEGORY(lcFetch, "qs.scan.fetch", QtWarningMsg)

namespace qs::scan {
namespace {

// Some sites still answer differently, or not at all, without a browser-like user agent; this one
// line is the only header the fetcher adds to what Qt sends on its own.
constexpr QByteArrayView UserAgentName = "user-agent";
constexpr QByteArrayView UserAgentValue = "Mozilla/4.0 (compatible; MSIE 6.0;)";

constexpr qsizetype PieceCharacters = 1024;

// Errors Qt derives from the HTTP status of a reply that arrived whole: the server answered, the
// transfer worked, and the status is for the analysis to judge (Qt maps 400 and 418 to
// ProtocolInvalidOperationError and 407 to ProxyAuthenticationRequiredError).
bool isHttpStatusError(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ContentAccessDenied:
    case QNetworkReply::ContentOperationNotPermittedError:
    case QNetworkReply::ContentNotFoundError:
    case QNetworkReply::AuthenticationRequiredError:
    case QNetworkReply::ContentConflictError:
    case QNetworkReply::ContentGoneError:
    case QNetworkReply::UnknownContentError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::ProxyAuthenticationRequiredError:
    case QNetworkReply::InternalServerError:
    case QNetworkReply::OperationNotImplementedError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError:
        return true;
    default:
        return false;
    }
}

int codeForSslError(QSslError::SslError error)
{
    switch (error) {
    case QSslError::SelfSignedCertificate:
    case QSslError::SelfSignedCertificateInChain:
    case QSslError::UnableToGetIssuerCertificate:
    case QSslError::UnableToGetLocalIssuerCertificate:
    case QSslError::UnableToVerifyFirstCertificate:
    case QSslError::CertificateUntrusted:
    case QSslError::InvalidCaCertificate:
        return fetchcode::InvalidCa;
    case QSslError::CertificateNotYetValid:
    case QSslError::CertificateExpired:
        return fetchcode::CertDateInvalid;
    case QSslError::HostNameMismatch:
        return fetchcode::CertNameInvalid;
    case QSslError::CertificateRevoked:
        return fetchcode::CertRevoked;
    default:
        return fetchcode::CertInvalid;
    }
}

int codeForNetworkError(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::HostNotFoundError:
        return fetchcode::NameNotResolved;
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
        return fetchcode::CannotConnect;
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ProxyConnectionClosedError:
        return fetchcode::ConnectionAborted;
    case QNetworkReply::TimeoutError:
    case QNetworkReply::ProxyTimeoutError:
        return fetchcode::Timeout;
    case QNetworkReply::OperationCanceledError:
        return fetchcode::OperationCancelled;
    case QNetworkReply::SslHandshakeFailedError:
        return fetchcode::SecurityChannelError;
    case QNetworkReply::TooManyRedirectsError:
    case QNetworkReply::InsecureRedirectError:
        return fetchcode::RedirectFailed;
    case QNetworkReply::ProtocolUnknownError:
        return fetchcode::UnrecognizedScheme;
    case QNetworkReply::ProtocolFailure:
        return fetchcode::InvalidServerResponse;
    default:
        return fetchcode::ExtendedError;
    }
}

// Announced length: the Content-Length field as a whole number, 0 when absent or not a number.
qint64 announcedLength(const QNetworkReply &reply)
{
    bool ok = false;
    const qint64 length = reply.rawHeader(QByteArrayLiteral("Content-Length")).trimmed().toLongLong(&ok);
    return ok && length > 0 ? length : 0;
}

QString headerBlockOf(const QNetworkReply &reply, int status)
{
    // Field values are taken as ISO-8859-1, which is what HTTP historically allowed in them
    // (RFC 9110 section 5.5); anything else is opaque bytes that must not break the block.
    const QByteArray reason = reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
    QString block = QStringLiteral("HTTP/1.1 %1 %2\r\n").arg(status).arg(QString::fromLatin1(reason));
    for (const auto &[name, value] : reply.rawHeaderPairs()) {
        // Qt merges repeated fields: with ", " where RFC 9110 section 5.3 allows it, and Set-Cookie
        // with '\n' because RFC 6265 section 3 forbids folding it. Give each its own line again.
        const QList<QByteArray> values = value.split('\n');
        for (const QByteArray &part : values) {
            block += QString::fromLatin1(name) + QLatin1String(": ") + QString::fromLatin1(part) +
                     QLatin1String("\r\n");
        }
    }
    return block;
}

} // namespace

QList<double> progressValues(qsizetype characters, qint64 announcedLength)
{
    QList<double> values;
    if (announcedLength <= 0)
        return values;
    double percentage = 0;
    qsizetype handedOver = 0;
    for (;;) {
        const qsizetype piece = std::min(PieceCharacters, characters - handedOver);
        if (piece > 0) {
            // The bar's range ends at 100; a body longer than announced must not push it past.
            percentage = std::min(100.0, std::floor(100.0 * static_cast<double>(handedOver) /
                                                    static_cast<double>(announcedLength)));
        }
        values.append(percentage);
        if (piece <= 0)
            return values;
        handedOver += piece;
    }
}

void PageFetcher::DeleteLater::operator()(QNetworkReply *reply) const
{
    reply->deleteLater();
}

PageFetcher::PageFetcher(QObject *parent)
    : QObject(parent)
{
    // Qt follows http_proxy and friends from the environment by default; pages are fetched
    // directly so a scan sees what the server itself serves.
    m_network.setProxy(QNetworkProxy::NoProxy);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &PageFetcher::onDeadline);
}

PageFetcher::~PageFetcher()
{
    if (m_reply) {
        // Nobody is left to receive the outcome.
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void PageFetcher::setRequestTimeout(std::chrono::milliseconds limit)
{
    m_requestTimeout = limit;
}

void PageFetcher::setMaxBodyBytes(qint64 bytes)
{
    m_maxBodyBytes = std::max<qint64>(0, bytes);
}

void PageFetcher::setExtraCaCertificates(const QList<QSslCertificate> &certificates)
{
    m_extraCaCertificates = certificates;
}

bool PageFetcher::isBusy() const
{
    return m_reply != nullptr;
}

std::optional<Refusal> PageFetcher::fetch(const QString &storedUrl)
{
    if (isBusy())
        return Refusal{fetchcode::IncorrectHandleState, QStringLiteral("Still executing the last request")};

    auto target = requestUrlFor(storedUrl);
    if (const auto *refusal = std::get_if<Refusal>(&target)) {
        qCDebug(lcFetch) << "not requesting" << storedUrl << refusal->description;
        return *refusal;
    }
    const QUrl url = std::get<QUrl>(target);

    QNetworkRequest request(url);
    request.setRawHeader(UserAgentName.toByteArray(), UserAgentValue.toByteArray());
    // A watcher must see the page every visitor sees, not one shaped by what an earlier page set.
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    // Qt offers h2 through ALPN on TLS; the header block is rebuilt as HTTP/1.1, so speak it.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    // Follow redirects as a browser does, but never from https down to http.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    if (!m_extraCaCertificates.isEmpty()) {
        QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
        tls.addCaCertificates(m_extraCaCertificates);
        request.setSslConfiguration(tls);
    }

    m_body.clear();
    m_ending = Ending::None;
    m_sslErrors.clear();

    m_reply.reset(m_network.get(request));
    QNetworkReply *reply = m_reply.get();
    connect(reply, &QNetworkReply::readyRead, this, &PageFetcher::readAvailable);
    connect(reply, &QNetworkReply::redirected, this, &PageFetcher::onRedirected);
    // Not ignored: a certificate that does not verify fails the request. Kept for the reason text.
    connect(reply, &QNetworkReply::sslErrors, this,
            [this](const QList<QSslError> &errors) { m_sslErrors = errors; });
    connect(reply, &QNetworkReply::finished, this, &PageFetcher::onFinished);
    if (m_requestTimeout.count() > 0)
        m_deadline.start(m_requestTimeout);
    qCDebug(lcFetch) << "GET" << url;

    emit loading();
    return std::nullopt;
}

void PageFetcher::abort()
{
    if (m_reply)
        endEarly(Ending::Aborted);
}

bool PageFetcher::keepBody(QNetworkReply &reply)
{
    const qint64 room = m_maxBodyBytes - m_body.size();
    if (room > 0)
        m_body += reply.read(room);
    return reply.bytesAvailable() > 0;
}

void PageFetcher::readAvailable()
{
    if (!m_reply || m_ending != Ending::None)
        return;
    if (keepBody(*m_reply)) {
        qCDebug(lcFetch) << "body exceeds" << m_maxBodyBytes << "bytes; keeping the first part";
        endEarly(Ending::Truncated);
    }
}

void PageFetcher::onRedirected(const QUrl &target)
{
    qCDebug(lcFetch) << "redirected to" << target;
    m_body.clear(); // whatever the redirect response carried is not the page
}

void PageFetcher::onDeadline()
{
    if (m_reply) {
        qCDebug(lcFetch) << "request limit of" << m_requestTimeout.count() << "ms expired";
        endEarly(Ending::TimedOut);
    }
}

void PageFetcher::endEarly(Ending ending)
{
    m_ending = ending;
    // abort() emits finished() at once, which lands in onFinished(); a receiver of our own
    // finished() may already have started the next request by the time abort() returns.
    const QNetworkReply *endingReply = m_reply.get();
    m_reply->abort();
    if (m_reply && m_reply.get() == endingReply)
        onFinished(); // the reply had already finished without telling us; still answer once
}

void PageFetcher::onFinished()
{
    if (!m_reply)
        return;
    m_deadline.stop();
    const std::unique_ptr<QNetworkReply, DeleteLater> reply = std::move(m_reply);
    reply->disconnect(this);
    if (m_ending == Ending::None && reply->isOpen() && keepBody(*reply))
        m_ending = Ending::Truncated;

    const FetchResult result = resultOf(*reply);
    m_body.clear();
    m_sslErrors.clear();
    qCDebug(lcFetch) << "finished" << reply->url() << "state" << result.state << "status" << result.httpStatus
                     << "code" << result.responseCode << result.responseInfo;
    emit finished(result);
}

void PageFetcher::describeFailure(const QNetworkReply &reply, int status, FetchResult &result) const
{
    if (!m_sslErrors.isEmpty()) {
        result.responseCode = codeForSslError(m_sslErrors.constFirst().error());
        QStringList reasons;
        for (const QSslError &error : m_sslErrors)
            reasons.append(error.errorString());
        result.responseInfo = reasons.join(QLatin1String("; "));
    } else if (reply.error() == QNetworkReply::NoError) {
        result.responseCode = fetchcode::InvalidServerResponse;
        result.responseInfo = QStringLiteral("The server sent no HTTP status");
    } else if (status / 100 == 3 && reply.error() == QNetworkReply::ProtocolUnknownError) {
        // Qt does not follow a redirect to a scheme it cannot fetch over HTTP.
        result.responseCode = fetchcode::RedirectFailed;
        result.responseInfo = QStringLiteral("Redirect to \"%1\" refused: %2")
                                  .arg(QString::fromLatin1(reply.rawHeader(QByteArrayLiteral("Location"))),
                                       reply.errorString());
    } else {
        result.responseCode = codeForNetworkError(reply.error());
        result.responseInfo = reply.errorString();
    }
}

FetchResult PageFetcher::resultOf(QNetworkReply &reply) const
{
    FetchResult result;
    const QVariant statusAttribute = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = statusAttribute.isValid() ? statusAttribute.toInt() : 0;

    switch (m_ending) {
    case Ending::TimedOut:
        result.timedOut = true;
        result.responseCode = fetchcode::Timeout;
        result.responseInfo =
            QStringLiteral("The request did not complete within %1 ms").arg(m_requestTimeout.count());
        return result;
    case Ending::Aborted:
        result.responseCode = fetchcode::OperationCancelled;
        result.responseInfo = QStringLiteral("The request was cancelled");
        return result;
    case Ending::Truncated:
        result.truncated = true;
        break;
    case Ending::None:
        // Qt does not follow a redirect to file:, data: and the like (ProtocolUnknownError below);
        // should it ever, such a page is still not read.
        if (!isFetchableScheme(reply.url().scheme())) {
            result.responseCode = fetchcode::RedirectFailed;
            result.responseInfo =
                QStringLiteral("Redirect to \"%1\" refused: only http and https are fetched")
                    .arg(reply.url().toDisplayString());
            return result;
        }
        // A transport failure after the status line (a body cut short, say) still leaves the
        // status attribute set, so the error decides, not the status alone.
        if (status <= 0 || (reply.error() != QNetworkReply::NoError && !isHttpStatusError(reply.error()))) {
            describeFailure(reply, status, result);
            return result;
        }
        // A body shorter than its Content-Length is incomplete (RFC 9112 section 8), even where Qt
        // ends such a reply without an error. (Qt drops the field when it decompresses a body, so a
        // field that is still there counts the very bytes read here; 204 and 304 carry no body.)
        if (const qint64 announced = announcedLength(reply);
            announced > m_body.size() && status != 204 && status != 304) {
            result.responseCode = fetchcode::ConnectionAborted;
            result.responseInfo = QStringLiteral("The connection closed after %1 of %2 announced bytes")
                                      .arg(m_body.size())
                                      .arg(announced);
            return result;
        }
        break;
    }

    result.state = FetchResult::Completed;
    result.httpStatus = status;
    result.headerBlock = headerBlockOf(reply, status);
    const BodyEnd end = result.truncated ? BodyEnd::Cut : BodyEnd::Complete;
    result.body = decodeBody(m_body, reply.rawHeader(QByteArrayLiteral("Content-Type")), end).text;
    result.progress = progressValues(result.body.size(), announcedLength(reply));
    return result;
}

} // namespace qs::scan
