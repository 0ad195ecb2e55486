#pragma once

#include <QString>

namespace qs::app {

// Everything that asks or tells the operator goes through here: the window answers with
// dialogs, the command line and the tests without them.
class OperatorPrompts
{
public:
    virtual ~OperatorPrompts() = default;

    // A message with an OK button. It never waits for the operator: an unattended run goes on
    // while the message is shown. Where the message points to a dialog of the window,
    // commandLineText says the same for someone at the command line.
    virtual void showMessage(const QString &text, const QString &commandLineText = {}) = 0;
    // A one-line question; the empty text when the operator cancels.
    virtual QString askText(const QString &prompt, const QString &title) = 0;
    // A warning with OK and Cancel; true for OK. Closing the question counts as Cancel.
    virtual bool confirm(const QString &text) = 0;
};

// Without a window: messages go to standard error as one line each, questions are cancelled.
class HeadlessPrompts final : public OperatorPrompts
{
public:
    void showMessage(const QString &text, const QString &commandLineText = {}) override;
    QString askText(const QString &prompt, const QString &title) override;
    bool confirm(const QString &text) override;
};

} // namespace qs::app
