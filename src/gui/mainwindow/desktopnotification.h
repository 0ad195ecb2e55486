#pragma once

#include <QObject>

namespace qs::gui {

// A notification on the desktop (the freedesktop.org Notifications service on the session
// bus), for a run that ends with something to look at while nobody watches the window.
// Where there is no session bus or no notification service, nothing is shown and nothing fails.
class DesktopNotification : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    void show(const QString &summary, const QString &body);

signals:
    // The operator chose the notification.
    void chosen();

private slots:
    void onActionInvoked(uint id, const QString &action);

private:
    bool connectBus();

    bool m_listening = false;
    uint m_shown = 0; // the id of the notification shown last
};

} // namespace qs::gui
