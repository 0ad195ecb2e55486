#pragma once

#include <chrono>

#include <QObject>
#include <QString>

#include "core/notify/mailmessage.h"

namespace qs::notify {

// How long the mail server may take. Each limit counts from the moment the client has said
// its part; RFC 5321 section 4.5.3.2 gives the per-command values (at least 5 minutes for the
// greeting, MAIL and RCPT, 10 for the reply to the end of the message text).
struct SmtpLimits
{
    // Connecting (TCP, and TLS for smtps) with the greeting, each command's reply (EHLO,
    // STARTTLS and its handshake, AUTH, MAIL, RCPT, DATA), and each pause while the server
    // takes the message text.
    std::chrono::milliseconds reply{std::chrono::minutes(5)};
    // The reply to the end of the message text: the server may be filtering or relaying the
    // message before it answers.
    std::chrono::milliseconds endOfText{std::chrono::minutes(10)};
    // The reply to QUIT. The outcome is known by then; this only bounds the worker.
    std::chrono::milliseconds quit{std::chrono::seconds(30)};
    // The whole exchange, connecting and QUIT included.
    std::chrono::milliseconds deadline{std::chrono::minutes(15)};
};

// One mail, sent once: the SMTP object of the result mail.
//
// send() returns at once; the SMTP dialogue runs on a worker thread of its own, and what
// happens there reaches this object only as queued signals, so the notifications arrive as
// events of the thread this object lives in. Deleting the object while the mail is still
// being sent is allowed: the worker finishes on its own and is not heard any more.
// Do not delete it from one of its own notifications; use deleteLater().
class SmtpSession : public QObject
{
    Q_OBJECT
public:
    explicit SmtpSession(MailContent content, QObject *parent = nullptr);
    ~SmtpSession() override;

    void setLimits(const SmtpLimits &limits) { m_limits = limits; }

    // A PEM file of trusted certificates used instead of the system store (for tests with a
    // private certificate). Empty: the system store.
    void setCertificateAuthorityFile(const QString &path) { m_caFile = path; }

    // Starts sending; a second call does nothing.
    void send();

    // closeSMTP() has been emitted.
    bool isClosed() const { return m_closed; }
    // The server took the message for delivery.
    bool accepted() const { return m_accepted; }

signals:
    // The server greeted, and TLS and login (where they apply) succeeded.
    void connectSMTP();
    // The server accepted the message: it answered the end of the message text with 2xx.
    void sendSMTP();
    // Sending failed: libcurl's result code and its explanation, followed by the server's
    // refusal when there was one (e.g. 55, "RCPT failed: 550 (server: 550 5.7.1 Relaying denied)").
    void errorSMTP(int number, const QString &description);
    // The outcome is known, and nothing more will be heard; always the last notification.
    // The worker may still be closing the session with QUIT, within the deadline.
    void closeSMTP();

private:
    void onConnected();
    void onFinished(int code, const QString &description);

    MailContent m_content;
    SmtpLimits m_limits;
    QString m_caFile;
    bool m_started = false;
    bool m_closed = false;
    bool m_accepted = false;
};

} // namespace qs::notify
