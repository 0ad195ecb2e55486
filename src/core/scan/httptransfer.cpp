#include "core/scan/httptransfer.h"

#include <algorithm>
#include <cmath>

#include "core/scan/bodydecoder.h"

namespace qs::scan {
namespace {

// Some sites still answer differently, or not at all, without a browser-like user agent; this one
// line is the only header field the fetcher adds to the request of its own accord. The empty
// Accept line keeps libcurl from sending its own.
constexpr const char *UserAgentLine = "user-agent: Mozilla/4.0 (compatible; MSIE 6.0;)";
constexpr const char *NoAcceptLine = "Accept:";

constexpr qsizetype PieceCharacters = 1024;

bool sameName(QByteArrayView a, QByteArrayView b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The verification results of OpenSSL (X509_V_ERR_*) that libcurl reports for a certificate it
// refused, sorted into the numbers the error pane shows.
int certificateFailure(long verifyResult)
{
    switch (verifyResult) {
    case 9:  // not yet valid
    case 10: // expired
        return fetchcode::CertDateInvalid;
    case 2:  // issuer certificate unknown
    case 18: // self-signed
    case 19: // self-signed authority in the chain
    case 20: // local issuer unknown
    case 21: // leaf cannot be verified
    case 24: // invalid authority
    case 27: // not trusted
        return fetchcode::InvalidCa;
    case 23:
        return fetchcode::CertRevoked;
    case 0: // libcurl's own host name check refused it (it reports 0 or 1 then)
    case 1:
    case 62: // host name mismatch
    case 64: // IP address mismatch
        return fetchcode::CertNameInvalid;
    default:
        return fetchcode::CertInvalid;
    }
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

HttpTransfer::HttpTransfer(const QUrl &url, const TransferRules &rules)
    : m_url(url)
    , m_rules(rules)
{
    m_easy = curl_easy_init();
    if (m_easy == nullptr) {
        m_setupError = CURLE_FAILED_INIT;
        return;
    }
    m_requestFields = curl_slist_append(nullptr, UserAgentLine);
    m_requestFields = curl_slist_append(m_requestFields, NoAcceptLine);
    const bool secure = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    const QByteArray target = url.toEncoded();

    auto set = [this](CURLoption option, auto value) {
        if (m_setupError == CURLE_OK)
            m_setupError = curl_easy_setopt(m_easy, option, value);
    };
    set(CURLOPT_ERRORBUFFER, m_errorText.data());
    set(CURLOPT_PRIVATE, this);
    set(CURLOPT_NOSIGNAL, 1L);
    set(CURLOPT_URL, target.constData()); // libcurl keeps copies of the strings it is given
    set(CURLOPT_HTTPGET, 1L);
    set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    set(CURLOPT_HTTPHEADER, m_requestFields);
    // The codings libcurl can undo are offered, and a body in any of them is undone; an unknown
    // coding fails the request instead of handing over bytes no one can read.
    set(CURLOPT_ACCEPT_ENCODING, "");
    // Straight to the server, whatever proxy the environment names: a watcher must see what the
    // site itself serves.
    set(CURLOPT_PROXY, "");
    set(CURLOPT_PROTOCOLS_STR, "http,https");
    set(CURLOPT_FOLLOWLOCATION, 1L);
    set(CURLOPT_MAXREDIRS, 50L);
    // Never from https down to plain http.
    set(CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : "http,https");
    // Credentials in a URL go with its own request only, as one Basic field: any other scheme
    // would send the request twice.
    set(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    set(CURLOPT_TIMEOUT_MS, static_cast<long>(rules.timeLimit.count()));
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    if (!rules.caFile.isEmpty())
        set(CURLOPT_CAINFO, rules.caFile.constData());
    set(CURLOPT_HEADERFUNCTION, &HttpTransfer::onHeader);
    set(CURLOPT_HEADERDATA, this);
    set(CURLOPT_WRITEFUNCTION, &HttpTransfer::onBody);
    set(CURLOPT_WRITEDATA, this);
    set(CURLOPT_XFERINFOFUNCTION, &HttpTransfer::onProgress);
    set(CURLOPT_XFERINFODATA, this);
    set(CURLOPT_NOPROGRESS, 0L);
}

HttpTransfer::~HttpTransfer()
{
    if (m_easy != nullptr)
        curl_easy_cleanup(m_easy);
    curl_slist_free_all(m_requestFields);
}

size_t HttpTransfer::onHeader(char *data, size_t size, size_t count, void *self)
{
    const size_t length = size * count;
    const bool keep =
        static_cast<HttpTransfer *>(self)->takeHeaderLine(QByteArray(data, static_cast<qsizetype>(length)));
    return keep ? length : 0;
}

bool HttpTransfer::takeHeaderLine(QByteArray line)
{
    // Every answer starts with its status line: a redirect, an interim answer (100, 103) and the
    // final one each bring a block of their own, and only the last block is the page's.
    if (line.startsWith("HTTP/")) {
        m_answer = {};
        m_body.clear();
        m_truncated = false;
        const QList<QByteArray> parts = line.trimmed().split(' ');
        m_answer.status = parts.value(1).toInt();
        const qsizetype reasonStart = line.indexOf(' ', line.indexOf(' ') + 1);
        if (reasonStart > 0)
            m_answer.reason = line.mid(reasonStart + 1).trimmed();
        return true;
    }
    // Trailer fields after a chunked body are not part of the header block.
    if (m_answer.headerEnded)
        return true;
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty()) {
        m_answer.headerEnded = true;
        if (m_answer.status >= 100 && m_answer.status < 200)
            return true;
        m_framingProblem = framingProblem();
        if (!m_framingProblem.isEmpty())
            return false;
        const QList<QByteArray> lengths = fieldValues("Content-Length");
        m_announced =
            lengths.isEmpty() ? 0 : lengths.constFirst().split(',').constFirst().trimmed().toLongLong();
        return true;
    }
    if (line.startsWith(' ') || line.startsWith('\t')) {
        // An obsolete folded line continues the field before it (RFC 9112 section 5.2).
        if (!m_answer.fields.isEmpty())
            m_answer.fields.last().second += ' ' + line.trimmed();
        return true;
    }
    const qsizetype colon = line.indexOf(':');
    if (colon > 0)
        m_answer.fields.emplaceBack(line.left(colon).trimmed(), line.mid(colon + 1).trimmed());
    return true;
}

QList<QByteArray> HttpTransfer::fieldValues(QByteArrayView name) const
{
    QList<QByteArray> values;
    for (const auto &[fieldName, value] : m_answer.fields) {
        if (sameName(fieldName, name))
            values.append(value);
    }
    return values;
}

QString HttpTransfer::framingProblem() const
{
    // RFC 9112 section 6.3: without Transfer-Encoding the length decides where the body ends, so
    // a length that is not one plain number, or two that differ, leave the page's end unknown.
    // libcurl would read "12abc" as 12 and take the last of two values; the page would then be
    // scored cut short, as if whole.
    if (m_answer.status == 204 || m_answer.status == 304 || !fieldValues("Transfer-Encoding").isEmpty())
        return {};
    QByteArray first;
    for (const QByteArray &field : fieldValues("Content-Length")) {
        for (const QByteArray &item : field.split(',')) {
            const QByteArray value = item.trimmed();
            const bool digits =
                !value.isEmpty() && value.size() <= 18 &&
                std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
            if (!digits)
                return QStringLiteral("The answer's Content-Length \"%1\" is not a whole number")
                    .arg(QString::fromLatin1(field));
            if (first.isEmpty())
                first = value;
            else if (value.toLongLong() != first.toLongLong())
                return QStringLiteral("The answer gives two different lengths, %1 and %2")
                    .arg(QString::fromLatin1(first), QString::fromLatin1(value));
        }
    }
    return {};
}

size_t HttpTransfer::onBody(char *data, size_t size, size_t count, void *self)
{
    auto *transfer = static_cast<HttpTransfer *>(self);
    const auto length = static_cast<qint64>(size) * static_cast<qint64>(count);
    const qint64 room = transfer->m_rules.maxBodyBytes - transfer->m_body.size();
    if (length > room) {
        // The first part is searched; the rest of an oversized page (a decompression bomb, say)
        // is never read. Taking less than offered ends the transfer.
        transfer->m_body.append(data, static_cast<qsizetype>(std::max<qint64>(room, 0)));
        transfer->m_truncated = true;
        return 0;
    }
    transfer->m_body.append(data, static_cast<qsizetype>(length));
    return size * count;
}

int HttpTransfer::onProgress(void *self, curl_off_t downloadTotal, curl_off_t downloaded, curl_off_t,
                             curl_off_t)
{
    auto *transfer = static_cast<HttpTransfer *>(self);
    transfer->m_received = downloaded;
    if (downloadTotal > 0)
        transfer->m_announced = downloadTotal;
    return 0;
}

bool HttpTransfer::bodyWasDecoded() const
{
    for (const QByteArray &field : fieldValues("Content-Encoding")) {
        for (const QByteArray &coding : field.split(',')) {
            const QByteArray name = coding.trimmed();
            if (!name.isEmpty() && !sameName(name, "identity"))
                return true;
        }
    }
    return false;
}

QString HttpTransfer::headerBlock() const
{
    // Field values are taken as ISO-8859-1, which is what HTTP historically allowed in them
    // (RFC 9110 section 5.5); anything else is opaque bytes that must not break the block. The
    // length of a compressed body counts bytes the page no longer has, so it is left out.
    const bool decoded = bodyWasDecoded();
    QString block =
        QStringLiteral("HTTP/1.1 %1 %2\r\n").arg(m_answer.status).arg(QString::fromLatin1(m_answer.reason));
    for (const auto &[name, value] : m_answer.fields) {
        if (decoded && sameName(name, "Content-Length"))
            continue;
        block += QString::fromLatin1(name) + QLatin1String(": ") + QString::fromLatin1(value) +
                 QLatin1String("\r\n");
    }
    return block;
}

FetchResult HttpTransfer::finish(CURLcode code) const
{
    FetchResult result;
    char *finalUrl = nullptr;
    if (m_easy != nullptr && curl_easy_getinfo(m_easy, CURLINFO_EFFECTIVE_URL, &finalUrl) == CURLE_OK &&
        finalUrl != nullptr)
        result.finalUrl = QString::fromUtf8(finalUrl);
    if (m_setupError != CURLE_OK) {
        describeFailure(m_setupError, result);
        return result;
    }
    const bool cutOnPurpose = code == CURLE_WRITE_ERROR && m_truncated && m_framingProblem.isEmpty();
    if (code != CURLE_OK && !cutOnPurpose) {
        describeFailure(code, result);
        return result;
    }

    result.state = FetchResult::Completed;
    result.httpStatus = m_answer.status;
    result.headerBlock = headerBlock();
    result.truncated = m_truncated;
    const QList<QByteArray> contentTypes = fieldValues("Content-Type");
    const DecodedBody decoded =
        decodeBody(m_body, contentTypes.isEmpty() ? QByteArray() : contentTypes.constLast(),
                   m_truncated ? BodyEnd::Cut : BodyEnd::Complete);
    result.body = decoded.text;
    result.encoding = decoded.encoding;
    result.progress = progressValues(result.body.size(), bodyWasDecoded() ? 0 : m_announced);
    return result;
}

void HttpTransfer::describeFailure(CURLcode code, FetchResult &result) const
{
    const QString host = m_url.host();
    QString text = QString::fromUtf8(m_errorText.data()).trimmed();
    if (text.isEmpty())
        text = QString::fromUtf8(curl_easy_strerror(code));
    int number = fetchcode::ExtendedError;
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        result.timedOut = true;
        number = fetchcode::Timeout;
        text = QStringLiteral("The request to %1 did not complete within %2 ms")
                   .arg(host)
                   .arg(m_rules.timeLimit.count());
        break;
    case CURLE_COULDNT_RESOLVE_HOST:
        number = fetchcode::NameNotResolved;
        break;
    case CURLE_COULDNT_CONNECT:
        number = fetchcode::CannotConnect;
        break;
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        number = fetchcode::ConnectionAborted;
        break;
    case CURLE_PEER_FAILED_VERIFICATION: {
        long verifyResult = 0;
        curl_easy_getinfo(m_easy, CURLINFO_SSL_VERIFYRESULT, &verifyResult);
        number = certificateFailure(verifyResult);
        break;
    }
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
        number = fetchcode::SecurityChannelError;
        break;
    case CURLE_TOO_MANY_REDIRECTS:
        number = fetchcode::RedirectFailed;
        break;
    case CURLE_UNSUPPORTED_PROTOCOL: {
        const QList<QByteArray> locations = fieldValues("Location");
        if (m_answer.status / 100 != 3 || locations.isEmpty()) {
            number = fetchcode::InvalidServerResponse;
            break;
        }
        const QUrl from(result.finalUrl.isEmpty() ? m_url : QUrl(result.finalUrl));
        const QUrl target = from.resolved(QUrl::fromEncoded(locations.constLast()));
        number = fetchcode::RedirectFailed;
        text = QStringLiteral("Redirect from %1 to \"%2\" refused: %3")
                   .arg(host, target.toDisplayString(),
                        target.scheme() == QLatin1String("http")
                            ? QStringLiteral("an https page is never followed to http")
                            : QStringLiteral("only http and https are fetched"));
        break;
    }
    case CURLE_WRITE_ERROR:
        if (!m_framingProblem.isEmpty()) {
            number = fetchcode::InvalidServerResponse;
            text = m_framingProblem;
        }
        break;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
        number = fetchcode::InvalidServerResponse;
        break;
    case CURLE_URL_MALFORMAT:
        number = fetchcode::InvalidUrl;
        break;
    case CURLE_ABORTED_BY_CALLBACK:
        number = fetchcode::OperationCancelled;
        break;
    default:
        break;
    }
    if (!host.isEmpty() && !text.contains(host, Qt::CaseInsensitive))
        text += QStringLiteral(" (%1)").arg(host);
    result.responseCode = number;
    result.responseInfo = text;
}

} // namespace qs::scan
