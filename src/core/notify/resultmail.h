#pragma once

#include <chrono>

#include <QDate>
#include <QObject>
#include <QPointer>
#include <QString>

#include "core/notify/smtpsession.h"

namespace qs::app {
class OperatorPrompts;
class RunFields;
class SettingsStore;
} // namespace qs::app

namespace qs::notify {

// The main window's mail routine: mails the report of a scan run to the configured recipient.
//
// Lives on the user-interface thread; the notifications of the SMTP object arrive there as
// events. Only the SMTP object held in `oSMTP` is listened to: a mail started before it goes
// on in its own thread, unheard.
class ResultMail : public QObject
{
    Q_OBJECT
public:
    ResultMail(app::RunFields &fields, const app::SettingsStore &settings, app::OperatorPrompts &prompts,
               QObject *parent = nullptr);
    ~ResultMail() override;

    // Warns about missing mail settings, then sends the report with the subject
    // "<Subject> : dd-MM-yyyy" for `today`, and html as its HTML alternative when not empty.
    // Returns at once.
    void sendResultMail(const QString &report, const QDate &today, const QString &html = {});

    // A mail is on its way and its end has not been handled yet.
    bool isSending() const { return !oSMTP.isNull(); }

    // For tests and special set-ups; apply to the mails started afterwards.
    void setLimits(const SmtpLimits &limits) { m_limits = limits; }
    void setCertificateAuthorityFile(const QString &path) { m_caFile = path; }

    // The SMTP object now held, or null.
    const SmtpSession *currentSession() const { return oSMTP.data(); }

signals:
    // Once the outcome of each mail that was listened to is known; reason is empty when accepted.
    void mailFinished(bool accepted, const QString &reason);

private:
    void oSMTP_ConnectSMTP();
    void oSMTP_SendSMTP();
    void oSMTP_ErrorSMTP(int number, const QString &description);
    void oSMTP_CloseSMTP();

    app::RunFields &m_fields;
    const app::SettingsStore &m_settings;
    app::OperatorPrompts &m_prompts;
    SmtpLimits m_limits;
    QString m_caFile;
    QString m_failure;

    // The current SMTP object; owned as a child of this object. The name is the one the
    // window's handlers (oSMTP_...) are named after.
    QPointer<SmtpSession> oSMTP;
};

} // namespace qs::notify
