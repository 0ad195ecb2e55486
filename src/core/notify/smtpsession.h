#pragma once

#include <chrono>

#include <QObject>
#include <QString>

#include "core/notify/mailmessage.h"

namespace qs::notify {

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
    static constexpr std::chrono::milliseconds defaultTimeLimit{60'000};

    explicit SmtpSession(MailContent content, QObject *parent = nullptr);
    ~SmtpSession() override;

    // The whole dialogue, connecting included, must end within this time.
    void setTimeLimit(std::chrono::milliseconds limit) { m_timeLimit = limit; }

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
    // The server accepted the message.
    void sendSMTP();
    // Sending failed: libcurl's result code and its explanation (e.g. 55, "RCPT failed: 550").
    void errorSMTP(int number, const QString &description);
    // The session is over, whatever the outcome; always the last notification.
    void closeSMTP();

private:
    void onConnected();
    void onFinished(int code, const QString &description);

    MailContent m_content;
    std::chrono::milliseconds m_timeLimit = defaultTimeLimit;
    QString m_caFile;
    bool m_started = false;
    bool m_closed = false;
    bool m_accepted = false;
};

} // namespace qs::notify
