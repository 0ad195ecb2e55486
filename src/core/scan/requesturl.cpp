#include "core/scan/requesturl.h"

#include <QRegularExpression>

namespace qs::scan {
namespace {

Refusal unknownScheme(const QString &scheme)
{
    return {fetchcode::UnrecognizedScheme, QStringLiteral("Protocol \"%1\" is unknown").arg(scheme)};
}

Refusal invalidUrl(const QString &text, const QString &why)
{
    return {fetchcode::InvalidUrl, QStringLiteral("The URL \"%1\" is invalid: %2").arg(text, why)};
}

// What the text would be requested as, before any check of the result. A leading
// "scheme:" is only a scheme when what follows is not a port number, so that "localhost:8080"
// and "example.com:8080/a" stay host names (RFC 3986 section 3.1 allows '.' in a scheme, so the
// grammar alone cannot tell them apart).
std::variant<QString, Refusal> withScheme(const QString &text)
{
    static const QRegularExpression schemePrefix(QStringLiteral("^([A-Za-z][A-Za-z0-9+.\\-]*):"));
    static const QRegularExpression portThenPath(QStringLiteral("^[0-9]+(?:[/?#]|$)"));

    if (text.startsWith(QLatin1String("//")))
        return QStringLiteral("http:") + text; // network-path reference, RFC 3986 section 4.2

    const QRegularExpressionMatch match = schemePrefix.match(text);
    if (!match.hasMatch())
        return QStringLiteral("http://") + text;

    const QString scheme = match.captured(1);
    const QStringView rest = QStringView(text).mid(match.capturedLength(0));
    if (rest.startsWith(QLatin1String("//")))
        return text;
    if (portThenPath.match(rest).hasMatch())
        return QStringLiteral("http://") + text;

    // file:/x, data:..., mailto:..., javascript:..., or "http:host" without the "//".
    if (isFetchableScheme(scheme))
        return invalidUrl(text, QStringLiteral("no host after \"%1:\"").arg(scheme));
    return unknownScheme(scheme);
}

} // namespace

bool isFetchableScheme(const QString &scheme)
{
    return scheme.compare(QLatin1String("http"), Qt::CaseInsensitive) == 0 ||
           scheme.compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}

std::variant<QUrl, Refusal> requestUrlFor(const QString &stored)
{
    const QString text = stored.trimmed();
    if (text.isEmpty())
        return invalidUrl(text, QStringLiteral("no URL given"));

    auto candidate = withScheme(text);
    if (auto *refusal = std::get_if<Refusal>(&candidate))
        return *refusal;

    // Tolerant parsing percent-encodes what a browser would (a blank inside the path, for one).
    const QUrl url(std::get<QString>(candidate), QUrl::TolerantMode);
    if (!url.isValid())
        return invalidUrl(text, url.errorString());
    if (!isFetchableScheme(url.scheme()))
        return unknownScheme(url.scheme());
    if (url.host().isEmpty())
        return invalidUrl(text, QStringLiteral("no host name"));
    return url;
}

} // namespace qs::scan
