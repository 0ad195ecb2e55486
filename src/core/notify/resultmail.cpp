#include "core/notify/resultmail.h"

#include <QLoggingCategory>

#include "core/app/errorentry.h"
#include "core/app/operatorprompts.h"
#include "core/app/runfields.h"
#include "core/app/settingsstore.h"

Q_LOGGING_CATEGORY(lcResultMail, "qs.notify.resultmail", QtWarningMsg)

namespace qs::notify {

ResultMail::ResultMail(app::RunFields &fields, const app::SettingsStore &settings,
                       app::OperatorPrompts &prompts, QObject *parent)
    : QObject(parent)
    , m_fields(fields)
    , m_settings(settings)
    , m_prompts(prompts)
{}

// A session still sending is deleted with us as a child; its worker thread carries on alone.
ResultMail::~ResultMail() = default;

void ResultMail::sendResultMail(const QString &report, const QDate &today, const QString &html)
{
    const QString date = today.toString(QStringLiteral("dd-MM-yyyy"));

    // Only a value of length zero is missing; blanks count as entered. Each warning is
    // shown without waiting, and the mail is attempted all the same. At the command line the
    // warning names the command that stores the value.
    const auto read = [this](const QString &key, const QString &windowText, const QString &commandLineText) {
        QString value = m_settings.read(key);
        if (value.isEmpty())
            m_prompts.showMessage(windowText, commandLineText);
        return value;
    };
    const QString server =
        read(app::keys::Mailserver, QStringLiteral("You must have setup a mailserver name in the menu"),
             QStringLiteral("You must have setup a mailserver name: "
                            "quillmere-scan config Mailserver HOST"));
    const QString sender =
        read(app::keys::Sender, QStringLiteral("You must have setup a Sender name in the menu"),
             QStringLiteral("You must have setup a Sender name: quillmere-scan config Sender ADDRESS"));
    const QString mailto =
        read(app::keys::Mailto, QStringLiteral("You must have setup a mailto adr. in the menu"),
             QStringLiteral("You must have setup a mailto address: quillmere-scan config Mailto ADDRESS"));
    const QString subject = m_settings.read(app::keys::Subject);

    if (oSMTP) {
        // Replaced: from now on it is not heard. Its thread finishes by itself.
        oSMTP->disconnect(this);
        oSMTP->deleteLater();
    }
    m_failure.clear();
    oSMTP =
        new SmtpSession({server, sender, mailto, subject + QStringLiteral(" : ") + date, report, html}, this);
    oSMTP->setLimits(m_limits);
    oSMTP->setCertificateAuthorityFile(m_caFile);
    connect(oSMTP, &SmtpSession::connectSMTP, this, &ResultMail::oSMTP_ConnectSMTP);
    connect(oSMTP, &SmtpSession::sendSMTP, this, &ResultMail::oSMTP_SendSMTP);
    connect(oSMTP, &SmtpSession::errorSMTP, this, &ResultMail::oSMTP_ErrorSMTP);
    connect(oSMTP, &SmtpSession::closeSMTP, this, &ResultMail::oSMTP_CloseSMTP);
    oSMTP->send();
}

void ResultMail::oSMTP_ConnectSMTP() {}

void ResultMail::oSMTP_SendSMTP() {}

void ResultMail::oSMTP_ErrorSMTP(int number, const QString &description)
{
    qCInfo(lcResultMail) << "result mail failed:" << number << description;
    m_fields.append(app::Field::txtEtrap,
                    app::errorEntry(QStringLiteral("Mail Error "), number, description));
    m_failure = description + QStringLiteral(" (") + QString::number(number) + QLatin1Char(')');
}

void ResultMail::oSMTP_CloseSMTP()
{
    if (!oSMTP)
        return;
    const bool accepted = oSMTP->accepted();
    // Emptied now, released once its notification has returned.
    oSMTP->disconnect(this);
    oSMTP->deleteLater();
    oSMTP.clear();

    if (accepted)
        m_prompts.showMessage(QStringLiteral("Send mail"));
    emit mailFinished(accepted, accepted ? QString() : m_failure);
}

} // namespace qs::notify
