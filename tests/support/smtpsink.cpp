#include "smtpsink.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "testcertificate.h"

using namespace Qt::StringLiterals;

namespace qs::test {

namespace {

constexpr int startTimeoutMs = 15000;

QStringList strings(const QJsonValue &array)
{
    QStringList list;
    for (const QJsonValue item : array.toArray())
        list << item.toString();
    return list;
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

bool SmtpSink::fail(const QString &error)
{
    m_error = error;
    stop();
    return false;
}

bool SmtpSink::start(const Options &options)
{
    stop();
    QStringList arguments{qEnvironmentVariable("QS_SOURCE_DIR") + u"/tests/support/smtp_sink.py"_s,
                          u"--dir"_s, m_dir.path()};
    const auto add = [&](const QString &option, const QString &value) {
        if (!value.isEmpty())
            arguments << option << value;
    };
    for (const QString &address : options.rejectRecipients)
        add(u"--reject"_s, address);
    add(u"--reject-reply"_s, options.rejectReply);
    add(u"--data-reply"_s, options.dataReply);
    for (const QString &delay : options.delays)
        add(u"--delay"_s, delay);
    add(u"--cert"_s, options.certificateFile);
    add(u"--key"_s, options.keyFile);
    add(u"--auth"_s, options.authUser.isEmpty() ? QString() : options.authUser + u':' + options.authPassword);
    if (options.silent)
        arguments << u"--silent"_s;
    if (options.implicitTls)
        arguments << u"--implicit-tls"_s;

    m_process.start(u"/usr/bin/python3"_s, arguments);
    if (!m_process.waitForStarted(startTimeoutMs))
        return fail(u"cannot start python3: "_s + m_process.errorString());
    // The script prints its port once it listens.
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(startTimeoutMs))
            return fail(u"the SMTP sink did not start: "_s +
                        QString::fromLocal8Bit(m_process.readAllStandardError()));
    }
    m_port = quint16(QString::fromLatin1(m_process.readLine()).trimmed().toUInt());
    return m_port != 0 || fail(u"the SMTP sink gave no port"_s);
}

void SmtpSink::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(startTimeoutMs);
    }
    m_port = 0;
}

QStringList SmtpSink::messageFiles() const
{
    return QDir(m_dir.path()).entryList({u"*.json"_s}, QDir::Files, QDir::Name);
}

QList<ReceivedMail> SmtpSink::messages() const
{
    QList<ReceivedMail> mails;
    for (const QString &name : messageFiles()) {
        QFile file(QDir(m_dir.path()).filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QJsonObject record = QJsonDocument::fromJson(file.readAll()).object();
        ReceivedMail mail{record.value(u"mail_from"_s).toString(),
                          strings(record.value(u"rcpt_tos"_s)),
                          record.value(u"tls"_s).toBool(),
                          record.value(u"authenticated"_s).toBool(),
                          {},
                          record.value(u"body"_s).toString(),
                          record.value(u"html"_s).toString(),
                          strings(record.value(u"html_tags"_s)),
                          record.value(u"html_text"_s).toString(),
                          strings(record.value(u"defects"_s)),
                          record.value(u"parse_error"_s).toString()};
        for (const QJsonValue pair : record.value(u"headers"_s).toArray())
            mail.headers.append({pair[0].toString(), pair[1].toString()});
        mails.append(mail);
    }
    return mails;
}

bool SmtpSink::makeSelfSignedCertificate(const QString &folder, QString *certificateFile, QString *keyFile,
                                         QString *error)
{
    return qs::test::makeSelfSignedCertificate(folder, u"localhost"_s, u"IP:127.0.0.1,DNS:localhost"_s,
                                               certificateFile, keyFile, error);
}

} // namespace qs::test
