#pragma once

#include <QByteArray>
#include <QString>

namespace qs::notify {

// The "Mailserver" setting, taken apart. Accepted forms:
//   host              plain SMTP on port 25, STARTTLS when the server offers it
//   host:port         the same on another port
//   [v6-address]:port an IPv6 literal (a bare one without a port works too)
//   smtp://[user:password@]host[:port][/]   as above; with credentials the client logs in
//   smtps://[user:password@]host[:port][/]  TLS from the first byte, port 465 by default
// Blanks around the value are ignored; anything else that does not fit leaves `valid` false.
struct MailServerAddress
{
    bool valid = false;
    // Why the value was refused; never quotes the value, which may hold a password.
    QString problem;

    bool implicitTls = false;
    QString host; // ASCII (IDNA) form; an IPv6 literal without brackets
    int port = 0;
    bool ipv6 = false;

    // Set only when the value is a URL that names both.
    QString userName;
    QString password;
    bool hasCredentials() const { return !userName.isEmpty(); }

    // The URL for libcurl, without the credentials (they travel as separate options so that
    // this text can be logged).
    QByteArray curlUrl() const;
};

inline constexpr int defaultSmtpPort = 25;
inline constexpr int defaultSmtpsPort = 465;

MailServerAddress parseMailServer(const QString &value);

} // namespace qs::notify
