#pragma once

#include <QPointer>
#include <QStringList>

#include "core/app/operatorprompts.h"

class QMessageBox;
class QWidget;

namespace qs::gui {

// The operator's questions and messages as dialogs over the main window.
class WindowPrompts final : public app::OperatorPrompts
{
public:
    // The dialogs belong to window, once it is there.
    void setWindow(QWidget *window) { m_window = window; }

    // A message box that does not block: a scan run goes on while it is open. Messages that come
    // while one is open wait for it to be closed, so that they are read in the order they came:
    // a run's first message is often the cause of the ones after it.
    void showMessage(const QString &text, const QString &commandLineText = {}) override;
    QString askText(const QString &prompt, const QString &title) override;
    bool confirm(const QString &text) override;

private:
    void showNext();

    QPointer<QWidget> m_window;
    QPointer<QMessageBox> m_shown;
    QStringList m_waiting;
};

} // namespace qs::gui
