#include "gui/mainwindow/desktopnotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace qs::gui {
namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Interface = QStringLiteral("org.freedesktop.Notifications");

} // namespace

bool DesktopNotification::connectBus()
{
    // Without an address the D-Bus library may try to start a bus of its own; a desktop
    // session always names its bus.
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    if (!m_listening) {
        m_listening = bus.connect(Service, Path, Interface, QStringLiteral("ActionInvoked"), this,
                                  SLOT(onActionInvoked(uint, QString)));
    }
    return true;
}

void DesktopNotification::show(const QString &summary, const QString &body)
{
    if (!connectBus())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Interface, QStringLiteral("Notify"));
    // The "default" action is the one a click on the notification itself takes.
    call << QStringLiteral("Quillmere Scan") << m_shown << QStringLiteral("org.quillmere.QuillmereScan")
         << summary << body << QStringList{QStringLiteral("default"), QStringLiteral("Show the report")}
         << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("org.quillmere.QuillmereScan")}}
         << -1;
    auto *watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        const QDBusPendingReply<uint> reply = *finished;
        if (!reply.isError())
            m_shown = reply.value();
        finished->deleteLater();
    });
}

void DesktopNotification::onActionInvoked(uint id, const QString &action)
{
    if (id == m_shown && action == QLatin1String("default"))
        emit chosen();
}

} // namespace qs::gui
