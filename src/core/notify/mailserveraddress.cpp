#include "core/notify/mailserveraddress.h"

#include <QHostAddress>
#include <QUrl>

namespace qs::notify {

namespace {

MailServerAddress refused(const QString &problem)
{
    MailServerAddress address;
    address.problem = problem;
    return address;
}

bool isIpv6Literal(const QString &text)
{
    QHostAddress parsed;
    return text.contains(QLatin1Char(':')) && parsed.setAddress(text) &&
           parsed.protocol() == QAbstractSocket::IPv6Protocol;
}

// A DNS name (Unicode names are turned into their IDNA form) or an IPv4 address.
bool acceptHostName(const QString &name, MailServerAddress &address)
{
    if (name.isEmpty())
        return false;
    const QByteArray ace = QUrl::toAce(name);
    if (ace.isEmpty() || ace.startsWith('.') || ace.startsWith('-') || ace.contains(".."))
        return false;
    for (const char c : ace) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                        c == '-' || c == '.' || c == '_';
        if (!ok)
            return false;
    }
    address.host = QString::fromLatin1(ace);
    address.ipv6 = false;
    return true;
}

bool acceptPort(const QString &text, MailServerAddress &address)
{
    if (text.isEmpty() || text.size() > 5)
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    const int port = text.toInt();
    if (port < 1 || port > 65535)
        return false;
    address.port = port;
    return true;
}

MailServerAddress parseUrl(const QString &text, bool implicitTls)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return refused(QStringLiteral("not a valid URL"));
    if (url.hasQuery() || url.hasFragment() || (url.path() != QString() && url.path() != QStringLiteral("/")))
        return refused(QStringLiteral("a mail server URL takes no path, query or fragment"));

    MailServerAddress address;
    address.implicitTls = implicitTls;
    address.port = url.port(implicitTls ? defaultSmtpsPort : defaultSmtpPort);
    if (address.port < 1)
        return refused(QStringLiteral("bad port"));

    const QString host = url.host(QUrl::FullyDecoded);
    if (isIpv6Literal(host)) {
        address.host = host;
        address.ipv6 = true;
    } else if (!acceptHostName(host, address)) {
        return refused(QStringLiteral("bad host name"));
    }

    const QString user = url.userName(QUrl::FullyDecoded);
    const QString password = url.password(QUrl::FullyDecoded);
    if (!user.isEmpty() || !password.isEmpty()) {
        // Half a login is more likely a typing slip than a wish to skip authentication.
        if (user.isEmpty() || password.isEmpty())
            return refused(QStringLiteral("a login needs both user name and password"));
        address.userName = user;
        address.password = password;
    }
    address.valid = true;
    return address;
}

MailServerAddress parseHostAndPort(const QString &text)
{
    if (text.contains(QLatin1Char('@')) || text.contains(QLatin1Char('/')))
        return refused(QStringLiteral("credentials and paths need the smtp:// form"));

    MailServerAddress address;
    address.port = defaultSmtpPort;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return refused(QStringLiteral("unclosed bracket"));
        const QString literal = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!isIpv6Literal(literal))
            return refused(QStringLiteral("bad IPv6 address"));
        if (!rest.isEmpty() && !(rest.startsWith(QLatin1Char(':')) && acceptPort(rest.mid(1), address)))
            return refused(QStringLiteral("bad port"));
        address.host = literal;
        address.ipv6 = true;
    } else if (text.count(QLatin1Char(':')) > 1) {
        if (!isIpv6Literal(text))
            return refused(QStringLiteral("bad host name"));
        address.host = text;
        address.ipv6 = true;
    } else {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        if (colon >= 0 && !acceptPort(text.mid(colon + 1), address))
            return refused(QStringLiteral("bad port"));
        if (!acceptHostName(text.left(colon), address))
            return refused(QStringLiteral("bad host name"));
    }
    address.valid = true;
    return address;
}

} // namespace

QByteArray MailServerAddress::curlUrl() const
{
    QByteArray url = implicitTls ? QByteArrayLiteral("smtps://") : QByteArrayLiteral("smtp://");
    if (ipv6)
        url += '[' + host.toLatin1() + ']';
    else
        url += host.toLatin1();
    return url + ':' + QByteArray::number(port);
}

MailServerAddress parseMailServer(const QString &value)
{
    const QString text = value.trimmed();
    if (text.isEmpty())
        return refused(QStringLiteral("no mail server given"));
    for (const QChar c : text) {
        if (c.isSpace() || c.category() == QChar::Other_Control)
            return refused(QStringLiteral("blank or control character inside the address"));
    }

    const QString lower = text.toLower();
    if (lower.startsWith(QStringLiteral("smtp://")))
        return parseUrl(text, false);
    if (lower.startsWith(QStringLiteral("smtps://")))
        return parseUrl(text, true);
    if (text.contains(QStringLiteral("://")))
        return refused(QStringLiteral("only smtp:// and smtps:// are supported"));
    return parseHostAndPort(text);
}

} // namespace qs::notify
