#pragma once

#include <QPointer>

#include "core/app/operatorprompts.h"

class QWidget;

namespace qs::gui {

// The operator's questions and messages as dialogs over the main window.
class WindowPrompts final : public app::OperatorPrompts
{
public:
    explicit WindowPrompts(QWidget *parent);

    // A message box that does not block: a scan run goes on while it is open.
    void showMessage(const QString &text) override;
    QString askText(const QString &prompt, const QString &title) override;
    bool confirm(const QString &text) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace qs::gui
