#include "smtpsink.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "testcertificate.h"

namespace qs::test {

namespace {

constexpr int startTimeoutMs = 15000;

qsizetype headerEnd(const QByteArray &raw)
{
    if (raw.startsWith("\r\n"))
        return 0;
    const qsizetype end = raw.indexOf("\r\n\r\n");
    return end < 0 ? raw.size() : end + 2;
}

} // namespace

QString ReceivedMail::header(const QString &name) const
{
    for (const auto &[key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

int ReceivedMail::headerCount(const QString &name) const
{
    int count = 0;
    for (const auto &entry : headers)
        count += entry.first.compare(name, Qt::CaseInsensitive) == 0 ? 1 : 0;
    return count;
}

QList<QByteArray> ReceivedMail::rawHeaderLines() const
{
    QList<QByteArray> lines = raw.left(headerEnd(raw)).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

QByteArray ReceivedMail::rawBody() const
{
    const qsizetype end = headerEnd(raw);
    return end + 2 <= raw.size() ? raw.mid(end + 2) : QByteArray();
}

SmtpSink::SmtpSink()
{
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
}

SmtpSink::~SmtpSink()
{
    stop();
}

QString SmtpSink::scriptPath()
{
    const QString sourceDir = qEnvironmentVariable("QS_SOURCE_DIR");
    if (!sourceDir.isEmpty())
        return QDir(sourceDir).filePath(QStringLiteral("tests/support/smtp_sink.py"));
    // Started by hand rather than by ctest: the script lies next to this source file.
    return QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("smtp_sink.py"));
}

bool SmtpSink::start()
{
    return start(Options());
}

bool SmtpSink::start(const Options &options)
{
    stop();
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    QStringList arguments{scriptPath(), QStringLiteral("--dir"), m_dir.path()};
    for (const QString &address : options.rejectRecipients)
        arguments << QStringLiteral("--reject") << address;
    if (!options.rejectReply.isEmpty())
        arguments << QStringLiteral("--reject-reply") << options.rejectReply;
    if (!options.dataReply.isEmpty())
        arguments << QStringLiteral("--data-reply") << options.dataReply;
    for (const QString &delay : options.delays)
        arguments << QStringLiteral("--delay") << delay;
    if (options.silent)
        arguments << QStringLiteral("--silent");
    if (!options.certificateFile.isEmpty())
        arguments << QStringLiteral("--cert") << options.certificateFile << QStringLiteral("--key")
                  << options.keyFile;
    if (options.implicitTls)
        arguments << QStringLiteral("--implicit-tls");
    if (!options.authUser.isEmpty())
        arguments << QStringLiteral("--auth") << options.authUser + QLatin1Char(':') + options.authPassword;

    m_process.start(interpreter(), arguments);
    if (!m_process.waitForStarted(startTimeoutMs)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(interpreter(), m_process.errorString());
        return false;
    }
    // The script prints its port once it listens.
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(startTimeoutMs)) {
            m_error = QStringLiteral("the SMTP sink did not start: %1")
                          .arg(QString::fromLocal8Bit(m_process.readAllStandardError()));
            stop();
            return false;
        }
    }
    bool ok = false;
    m_port = static_cast<quint16>(QString::fromLatin1(m_process.readLine()).trimmed().toUInt(&ok));
    if (!ok || m_port == 0) {
        m_error = QStringLiteral("the SMTP sink gave no port");
        stop();
        return false;
    }
    return true;
}

void SmtpSink::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(startTimeoutMs);
    }
    m_port = 0;
}

QString SmtpSink::hostAndPort() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

qsizetype SmtpSink::messageCount() const
{
    return QDir(m_dir.path()).entryList({QStringLiteral("*.json")}, QDir::Files).size();
}

QList<ReceivedMail> SmtpSink::messages() const
{
    QList<ReceivedMail> mails;
    const QDir dir(m_dir.path());
    for (const QString &name : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QJsonObject record = QJsonDocument::fromJson(file.readAll()).object();
        ReceivedMail mail;
        mail.mailFrom = record.value(QStringLiteral("mail_from")).toString();
        for (const QJsonValue to : record.value(QStringLiteral("rcpt_tos")).toArray())
            mail.rcptTos << to.toString();
        mail.tls = record.value(QStringLiteral("tls")).toBool();
        mail.authenticated = record.value(QStringLiteral("authenticated")).toBool();
        mail.raw = QByteArray::fromBase64(record.value(QStringLiteral("data_b64")).toString().toLatin1());
        for (const QJsonValue pair : record.value(QStringLiteral("headers")).toArray()) {
            const QJsonArray entry = pair.toArray();
            mail.headers.append({entry.at(0).toString(), entry.at(1).toString()});
        }
        mail.body = record.value(QStringLiteral("body")).toString();
        mail.html = record.value(QStringLiteral("html")).toString();
        mail.htmlText = record.value(QStringLiteral("html_text")).toString();
        for (const QJsonValue tag : record.value(QStringLiteral("html_tags")).toArray())
            mail.htmlTags << tag.toString();
        for (const QJsonValue defect : record.value(QStringLiteral("defects")).toArray())
            mail.defects << defect.toString();
        mail.parseError = record.value(QStringLiteral("parse_error")).toString();
        mails.append(mail);
    }
    return mails;
}

bool SmtpSink::makeSelfSignedCertificate(const QString &folder, QString *certificateFile, QString *keyFile,
                                         QString *error)
{
    return qs::test::makeSelfSignedCertificate(folder, QStringLiteral("localhost"),
                                               QStringLiteral("IP:127.0.0.1,DNS:localhost"), certificateFile,
                                               keyFile, error);
}

} // namespace qs::test
