#include "core/notify/smtpsession.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <utility>

#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
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
    SmtpLimits limits;
    QDeadlineTimer deadline;
    QByteArray caFile;
};

QString secondsText(std::chrono::milliseconds duration)
{
    return QString::number(static_cast<double>(duration.count()) / 1000.0) + QStringLiteral(" s");
}

// What the server said, fit for one line of the error pane; a hostile server may send anything.
QString replyText(const QByteArray &reply)
{
    constexpr qsizetype longest = 300;
    QString text = QString::fromUtf8(reply.left(longest));
    for (QChar &c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    }
    return text.simplified();
}

} // namespace

// Runs the SMTP dialogue on the worker thread and lives there; it reports through queued
// signals only, and is destroyed on that thread when the dialogue is over.
//
// libcurl does not tell which reply it waits for, nor give each its own limit, so the
// dialogue is followed through libcurl's debug output (the commands sent and the reply lines
// received) and the limits are enforced from its progress function, which libcurl calls at
// least once a second while it waits.
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
    // What the client waits for.
    enum class Stage
    {
        Greeting,  // the connection and the server's first reply
        Reply,     // the reply to the command m_command
        Text,      // the server taking the message text
        EndOfText, // the reply to the end of the message text
        Quit,      // the reply to QUIT
    };

    static size_t readBody(char *buffer, size_t size, size_t count, void *self);
    static int prerequest(void *self, char *, char *, int, int);
    static int progress(void *self, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded);
    static int debug(CURL *, curl_infotype type, char *data, size_t size, void *self);

    void enter(Stage stage);
    void onCommand(const QByteArray &line);
    void onReplyLine(const QByteArray &line);
    // Why the dialogue must stop now; empty while it may go on.
    QString overdue(curl_off_t uploaded);
    // Reports the outcome, once: later calls do nothing.
    void decide(int code, const QString &description);

    Job m_job;
    qsizetype m_sent = 0;
    Stage m_stage = Stage::Greeting;
    QElapsedTimer m_waiting; // since the client said its part
    QByteArray m_command;    // the verb of the last command, e.g. "RCPT"
    curl_off_t m_uploaded = 0;
    QByteArray m_received; // reply bytes not yet split into lines
    QByteArray m_reply;    // the reply read so far: code and the texts of its lines
    int m_lastCode = 0;    // the last complete reply before QUIT
    QByteArray m_lastReply;
    bool m_decided = false;
};

size_t SmtpTransfer::readBody(char *buffer, size_t size, size_t count, void *self)
{
    auto *transfer = static_cast<SmtpTransfer *>(self);
    const QByteArray &message = transfer->m_job.message;
    const auto room = static_cast<qsizetype>(size) * static_cast<qsizetype>(count);
    const qsizetype chunk = std::min(room, message.size() - transfer->m_sent);
    std::memcpy(buffer, message.constData() + transfer->m_sent, static_cast<size_t>(chunk));
    transfer->m_sent += chunk;
    // libcurl now holds the whole text; what the server says next answers its end.
    if (transfer->m_sent == message.size() && transfer->m_stage == Stage::Text)
        transfer->enter(Stage::EndOfText);
    return static_cast<size_t>(chunk);
}

// libcurl calls this once the connection stands: greeting, EHLO, STARTTLS and login are done.
int SmtpTransfer::prerequest(void *self, char *, char *, int, int)
{
    emit static_cast<SmtpTransfer *>(self)->connected();
    return CURL_PREREQFUNC_OK;
}

// Non-zero stops the dialogue: a limit has passed, or waitForMailThreads() has given up.
int SmtpTransfer::progress(void *self, curl_off_t, curl_off_t, curl_off_t, curl_off_t uploaded)
{
    auto *transfer = static_cast<SmtpTransfer *>(self);
    if (QThread::currentThread()->isInterruptionRequested())
        return 1;
    const QString overdue = transfer->overdue(uploaded);
    if (overdue.isEmpty())
        return 0;
    // The outcome is known now; libcurl may still say QUIT, which must not delay it. QUIT
    // comes after the outcome, so running out of time there reports nothing.
    if (transfer->m_stage != Stage::Quit)
        transfer->decide(CURLE_OPERATION_TIMEDOUT, overdue);
    return 1;
}

int SmtpTransfer::debug(CURL *, curl_infotype type, char *data, size_t size, void *self)
{
    auto *transfer = static_cast<SmtpTransfer *>(self);
    if (type == CURLINFO_HEADER_OUT) {
        transfer->onCommand(QByteArray(data, static_cast<qsizetype>(size)));
    } else if (type == CURLINFO_HEADER_IN) {
        QByteArray &received = transfer->m_received;
        received.append(data, static_cast<qsizetype>(size));
        for (qsizetype end = received.indexOf('\n'); end >= 0; end = received.indexOf('\n')) {
            transfer->onReplyLine(received.left(end).trimmed());
            received.remove(0, end + 1);
        }
    }
    return 0;
}

void SmtpTransfer::enter(Stage stage)
{
    m_stage = stage;
    m_waiting.start();
}

void SmtpTransfer::onCommand(const QByteArray &line)
{
    // The lines of an AUTH exchange after the first carry no verb (and hold credentials).
    static const QByteArrayList verbs{"EHLO", "HELO", "STARTTLS", "AUTH", "MAIL", "RCPT",
                                      "DATA", "QUIT", "RSET",     "NOOP", "VRFY"};
    const QByteArray verb = line.trimmed().split(' ').constFirst().toUpper();
    if (verbs.contains(verb))
        m_command = verb;
    enter(m_command == "QUIT" ? Stage::Quit : Stage::Reply);
}

// RFC 5321 section 4.2.1: "250-text" goes on, "250 text" (or "250") ends the reply.
void SmtpTransfer::onReplyLine(const QByteArray &line)
{
    if (line.size() < 3)
        return;
    if (m_reply.isEmpty())
        m_reply = line.left(3);
    const QByteArray text = line.mid(4).trimmed();
    if (!text.isEmpty())
        m_reply += ' ' + text;
    if (line.size() > 3 && line.at(3) == '-')
        return;
    const QByteArray reply = std::exchange(m_reply, {});
    const int code = reply.left(3).toInt();
    if (m_stage == Stage::Quit)
        return;
    m_lastCode = code;
    m_lastReply = reply;
    if (m_stage == Stage::Reply && m_command == "DATA" && code == 354) {
        enter(Stage::Text);
    } else if (m_stage == Stage::EndOfText) {
        // The server has taken the message or refused it (RFC 5321 section 4.1.1.4): this
        // decides the outcome, whatever happens afterwards at QUIT. libcurl reports any other
        // reply than 250 as CURLE_WEIRD_SERVER_REPLY, and so do we.
        if (code / 100 == 2)
            decide(CURLE_OK, {});
        else
            decide(CURLE_WEIRD_SERVER_REPLY, QString::fromUtf8(curl_easy_strerror(CURLE_WEIRD_SERVER_REPLY)));
    }
}

QString SmtpTransfer::overdue(curl_off_t uploaded)
{
    const SmtpLimits &limits = m_job.limits;
    if (m_job.deadline.hasExpired())
        return QStringLiteral("the exchange took longer than %1").arg(secondsText(limits.deadline));
    if (m_stage == Stage::Text && uploaded != m_uploaded) {
        m_uploaded = uploaded;
        m_waiting.start();
    }
    const std::chrono::milliseconds waited{m_waiting.elapsed()};
    switch (m_stage) {
    case Stage::Greeting:
        if (waited > limits.reply)
            return QStringLiteral("no greeting within %1").arg(secondsText(limits.reply));
        break;
    case Stage::Reply:
        if (waited > limits.reply)
            return QStringLiteral("no reply to %1 within %2")
                .arg(QString::fromLatin1(m_command), secondsText(limits.reply));
        break;
    case Stage::Text:
        if (waited > limits.reply)
            return QStringLiteral("the server took no message text for %1").arg(secondsText(limits.reply));
        break;
    case Stage::EndOfText:
        if (waited > limits.endOfText)
            return QStringLiteral("no reply to the end of the message text within %1")
                .arg(secondsText(limits.endOfText));
        break;
    case Stage::Quit:
        if (waited > limits.quit)
            return QStringLiteral("no reply to QUIT within %1").arg(secondsText(limits.quit));
        break;
    }
    return {};
}

void SmtpTransfer::decide(int code, const QString &description)
{
    if (std::exchange(m_decided, true))
        return;
    // libcurl stops at the first refusal, so a refusal as the last reply is the reason.
    QString text = description;
    if (code != CURLE_OK && m_lastCode >= 400)
        text += QStringLiteral(" (server: ") + replyText(m_lastReply) + QLatin1Char(')');
    emit finished(code, text);
    mailOutcomeDecided();
}

void SmtpTransfer::perform()
{
    CurlEasy easy(curl_easy_init());
    if (!easy) {
        decide(CURLE_FAILED_INIT, QString::fromUtf8(curl_easy_strerror(CURLE_FAILED_INIT)));
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
    // libcurl's own limits stay out of the way of ours: the deadline for the whole transfer,
    // and for each reply (its default is two minutes) a little more than the deadline.
    const long deadlineMs = std::max<long>(1, static_cast<long>(m_job.deadline.remainingTime()));
    const long replySeconds =
        static_cast<long>(std::chrono::ceil<std::chrono::seconds>(m_job.limits.deadline).count()) + 1;

    set(CURLOPT_ERRORBUFFER, errorBuffer.data());
    set(CURLOPT_NOSIGNAL, 1L); // no SIGALRM for time-outs: we are not the main thread
    set(CURLOPT_URL, url.constData());
    set(CURLOPT_PROTOCOLS_STR, "smtp,smtps");
    set(CURLOPT_NOPROXY, "*"); // a proxy set for the web scan must not catch the mail
    set(CURLOPT_TIMEOUT_MS, deadlineMs);
    set(CURLOPT_CONNECTTIMEOUT_MS, deadlineMs);
    set(CURLOPT_SERVER_RESPONSE_TIMEOUT, replySeconds);
    // A connection kept for reuse would be closed, with QUIT, inside curl_easy_cleanup(),
    // where neither our limits nor waitForMailThreads() reach; closed at once, QUIT is sent
    // while our progress function still runs.
    set(CURLOPT_FORBID_REUSE, 1L);
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
    set(CURLOPT_XFERINFODATA, this);
    // The debug function only runs in verbose mode; it prints nothing itself.
    set(CURLOPT_DEBUGFUNCTION, &SmtpTransfer::debug);
    set(CURLOPT_DEBUGDATA, this);
    set(CURLOPT_VERBOSE, 1L);

    if (result == CURLE_OK) {
        m_waiting.start();
        result = curl_easy_perform(easy.get());
    }

    QString description;
    if (result != CURLE_OK) {
        description = QString::fromUtf8(errorBuffer.data()).trimmed();
        if (description.isEmpty())
            description = QString::fromUtf8(curl_easy_strerror(result));
    }
    decide(static_cast<int>(result), description);
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
    job.limits = m_limits;
    const QDeadlineTimer deadline(m_limits.deadline);
    job.deadline = deadline;
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
    startMailThread(std::move(thread), deadline);
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
