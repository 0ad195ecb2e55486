#include "core/notify/smtpsession.h"

#include <array>
#include <cstring>
#include <memory>

#include <QDateTime>
#include <QFile>
#include <QLoggingCategory>
#include <QThread>

#include <curl/curl.h>

#include "core/notify/mailserveraddress.h"
#include "core/notify/mailthreads.h"

Q_LOGGING_CATEGORY(lcSmtp, "qs.notify.smtp", QtWarningMsg)

namespace qs::notify {

namespace {

struct CurlEasyCleanup
{
    void operator()(CURL *handle) const { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyCleanup>;

struct CurlListFree
{
    void operator()(curl_slist *list) const { curl_slist_free_all(list); }
};
using CurlList = std::unique_ptr<curl_slist, CurlListFree>;

// Everything the worker needs, copied, so that it never looks at the session object.
struct Job
{
    MailServerAddress server;
    QByteArray envelopeFrom;
    QByteArray envelopeTo;
    QByteArray message;
    std::chrono::milliseconds timeLimit{};
    QByteArray caFile;
};

} // namespace

// Runs the SMTP dialogue on the worker thread and lives there; it reports through queued
// signals only, and is destroyed on that thread when the dialogue is over.
class SmtpTransfer : public QObject
{
    Q_OBJECT
public:
    explicit SmtpTransfer(Job job)
        : m_job(std::move(job))
    {}

    void perform();

signals:
    void connected();
    void finished(int code, const QString &description);

private:
    static size_t readBody(char *buffer, size_t size, size_t count, void *self);
    static int prerequest(void *self, char *, char *, int, int);
    static int progress(void *, curl_off_t, curl_off_t, curl_off_t, curl_off_t);

    Job m_job;
    qsizetype m_sent = 0;
};

size_t SmtpTransfer::readBody(char *buffer, size_t size, size_t count, void *self)
{
    auto *transfer = static_cast<SmtpTransfer *>(self);
    const QByteArray &message = transfer->m_job.message;
    const auto room = static_cast<qsizetype>(size * count);
    const qsizetype chunk = std::min(room, message.size() - transfer->m_sent);
    std::memcpy(buffer, message.constData() + transfer->m_sent, static_cast<size_t>(chunk));
    transfer->m_sent += chunk;
    return static_cast<size_t>(chunk);
}

// libcurl calls this once the connection stands: greeting, EHLO, STARTTLS and login are done.
int SmtpTransfer::prerequest(void *self, char *, char *, int, int)
{
    emit static_cast<SmtpTransfer *>(self)->connected();
    return CURL_PREREQFUNC_OK;
}

// Lets waitForMailThreads() end a dialogue that takes too long at the end of the program.
int SmtpTransfer::progress(void *, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return QThread::currentThread()->isInterruptionRequested() ? 1 : 0;
}

void SmtpTransfer::perform()
{
    CurlEasy easy(curl_easy_init());
    if (!easy) {
        emit finished(CURLE_FAILED_INIT, QString::fromUtf8(curl_easy_strerror(CURLE_FAILED_INIT)));
        return;
    }
    std::array<char, CURL_ERROR_SIZE> errorBuffer{};
    CURLcode result = CURLE_OK;
    auto set = [&](CURLoption option, auto value) {
        if (result == CURLE_OK)
            result = curl_easy_setopt(easy.get(), option, value);
    };

    CurlList recipients(curl_slist_append(nullptr, m_job.envelopeTo.constData()));
    const QByteArray url = m_job.server.curlUrl();

    set(CURLOPT_ERRORBUFFER, errorBuffer.data());
    set(CURLOPT_NOSIGNAL, 1L); // no SIGALRM for time-outs: we are not the main thread
    set(CURLOPT_URL, url.constData());
    set(CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    set(CURLOPT_NOPROXY, "*"); // a proxy set for the web scan must not catch the mail
    set(CURLOPT_TIMEOUT_MS, static_cast<long>(m_job.timeLimit.count()));
    // STARTTLS whenever the server offers it; the certificate is checked as for smtps.
    set(CURLOPT_USE_SSL, static_cast<long>(m_job.server.implicitTls ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_job.caFile.isEmpty())
        set(CURLOPT_CAINFO, m_job.caFile.constData());
    if (m_job.server.hasCredentials()) {
        const QByteArray user = m_job.server.userName.toUtf8();
        const QByteArray password = m_job.server.password.toUtf8();
        set(CURLOPT_USERNAME, user.constData()); // libcurl keeps its own copies
        set(CURLOPT_PASSWORD, password.constData());
    }
    set(CURLOPT_MAIL_FROM, m_job.envelopeFrom.constData());
    set(CURLOPT_MAIL_RCPT, recipients.get());
    set(CURLOPT_UPLOAD, 1L);
    set(CURLOPT_READFUNCTION, &SmtpTransfer::readBody);
    set(CURLOPT_READDATA, this);
    set(CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(m_job.message.size()));
    set(CURLOPT_PREREQFUNCTION, &SmtpTransfer::prerequest);
    set(CURLOPT_PREREQDATA, this);
    set(CURLOPT_NOPROGRESS, 0L);
    set(CURLOPT_XFERINFOFUNCTION, &SmtpTransfer::progress);

    if (result == CURLE_OK)
        result = curl_easy_perform(easy.get());

    QString description;
    if (result != CURLE_OK) {
        description = QString::fromUtf8(errorBuffer.data()).trimmed();
        if (description.isEmpty())
            description = QString::fromUtf8(curl_easy_strerror(result));
    }
    emit finished(static_cast<int>(result), description);
}

SmtpSession::SmtpSession(MailContent content, QObject *parent)
    : QObject(parent)
    , m_content(std::move(content))
{}

// The worker owns its own copies and is disconnected by Qt when this object goes.
SmtpSession::~SmtpSession() = default;

void SmtpSession::send()
{
    if (m_started)
        return;
    m_started = true;
    initialiseMailSupport();

    Job job;
    job.server = parseMailServer(m_content.server);
    if (!job.server.valid) {
        // The same answer libcurl gives for an empty or unusable URL, but as a notification.
        const QString description = QString::fromUtf8(curl_easy_strerror(CURLE_URL_MALFORMAT)) +
                                    QStringLiteral(" (") + job.server.problem + QLatin1Char(')');
        qCInfo(lcSmtp) << "mail server setting refused:" << job.server.problem;
        QMetaObject::invokeMethod(
            this, [this, description] { onFinished(CURLE_URL_MALFORMAT, description); },
            Qt::QueuedConnection);
        return;
    }
    job.envelopeFrom = envelopeAddress(m_content.sender).toUtf8();
    job.envelopeTo = envelopeAddress(m_content.recipient).toUtf8();
    job.message = composeMessage(m_content, QDateTime::currentDateTime(), newMessageId(m_content.sender));
    job.timeLimit = m_timeLimit;
    job.caFile = QFile::encodeName(m_caFile);
    qCInfo(lcSmtp) << "sending mail through" << job.server.curlUrl()
                   << (job.server.hasCredentials() ? "with login" : "without login");

    auto transfer = std::make_unique<SmtpTransfer>(std::move(job));
    connect(transfer.get(), &SmtpTransfer::connected, this, &SmtpSession::onConnected, Qt::QueuedConnection);
    connect(transfer.get(), &SmtpTransfer::finished, this, &SmtpSession::onFinished, Qt::QueuedConnection);

    SmtpTransfer *worker = transfer.get();
    std::unique_ptr<QThread> thread(QThread::create([transfer = std::move(transfer)]() mutable {
        transfer->perform();
        transfer.reset(); // on the thread it belongs to
    }));
    thread->setObjectName(QStringLiteral("smtp"));
    worker->moveToThread(thread.get());
    startMailThread(std::move(thread));
}

void SmtpSession::onConnected()
{
    if (!m_closed)
        emit connectSMTP();
}

void SmtpSession::onFinished(int code, const QString &description)
{
    if (m_closed)
        return;
    m_accepted = code == CURLE_OK;
    if (m_accepted) {
        qCInfo(lcSmtp) << "mail accepted by the server";
        emit sendSMTP();
    } else {
        qCInfo(lcSmtp) << "mail not sent:" << code << description;
        emit errorSMTP(code, description);
    }
    m_closed = true;
    emit closeSMTP();
}

} // namespace qs::notify

#include "smtpsession.moc"
