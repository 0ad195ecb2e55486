#pragma once

#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace qs::test {

// One message as the sink received it, as Python's email package decodes it (RFC 2047 words,
// quoted-printable and charset undone): a reading that does not share our own code.
struct ReceivedMail
{
    QString mailFrom;
    QStringList rcptTos;
    bool tls = false;
    bool authenticated = false;
    QList<QPair<QString, QString>> headers;
    QString body;         // the plain text
    QString html;         // the HTML alternative, when the message has one
    QStringList htmlTags; // the tags of the HTML part, and its text, as an HTML parser reads them
    QString htmlText;
    QStringList defects;
    QString parseError;

    // The first header of that name (case-insensitive), or a null string.
    QString header(const QString &name) const;
};

// A real SMTP server on 127.0.0.1 (tests/support/smtp_sink.py under Debian's python3 with
// aiosmtpd), started through QProcess; it dies with this object.
class SmtpSink
{
public:
    struct Options
    {
        QStringList rejectRecipients{}; // answered with rejectReply
        QString rejectReply{};          // empty: "550 5.1.1 Mailbox unavailable"
        QString dataReply{};            // non-empty: every message text is refused with it
        // "VERB:SECONDS": hold the reply to mail, rcpt, data (the end of the text) or quit;
        // "inf" seconds for ever.
        QStringList delays{};
        bool silent = false;       // never a word, not even a greeting
        QString certificateFile{}; // with keyFile: offer STARTTLS with this certificate
        QString keyFile{};
        bool implicitTls = false; // TLS from the first byte (smtps) instead of STARTTLS
        QString authUser{};       // non-empty: clients must log in
        QString authPassword{};
    };

    SmtpSink() = default;
    ~SmtpSink() { stop(); }
    SmtpSink(const SmtpSink &) = delete;
    SmtpSink &operator=(const SmtpSink &) = delete;

    bool start() { return start(Options()); }
    bool start(const Options &options);
    const QString &errorString() const { return m_error; }
    quint16 port() const { return m_port; }
    // "127.0.0.1:<port>", a value for the Mailserver setting.
    QString hostAndPort() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }

    QList<ReceivedMail> messages() const;
    qsizetype messageCount() const { return messageFiles().size(); }

    // A throw-away self-signed certificate for 127.0.0.1 and localhost; it also serves as its own
    // certificate authority file.
    static bool makeSelfSignedCertificate(const QString &folder, QString *certificateFile, QString *keyFile,
                                          QString *error);

private:
    void stop();
    bool fail(const QString &error);
    QStringList messageFiles() const;

    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    QString m_error;
};

} // namespace qs::test
