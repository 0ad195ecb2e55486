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
    // while the message is shown.
    virtual void showMessage(const QString &text) = 0;
    // A one-line question; the empty text when the operator cancels.
    virtual QString askText(const QString &prompt, const QString &title) = 0;
    // A warning with OK and Cancel; true for OK. Closing the question counts as Cancel.
    virtual bool confirm(const QString &text) = 0;
};

// Hands everything on to prompts chosen later: the window's dialogs exist only once the window
// does, while the routines that talk to the operator are built before it.
class PromptsRelay final : public OperatorPrompts
{
public:
    explicit PromptsRelay(OperatorPrompts &target)
        : m_target(&target)
    {}
    void setTarget(OperatorPrompts &target) { m_target = &target; }
    void showMessage(const QString &text) override { m_target->showMessage(text); }
    QString askText(const QString &prompt, const QString &title) override
    {
        return m_target->askText(prompt, title);
    }
    bool confirm(const QString &text) override { return m_target->confirm(text); }

private:
    OperatorPrompts *m_target;
};

// Without a window: messages go to standard error as one line each, questions are cancelled.
class HeadlessPrompts final : public OperatorPrompts
{
public:
    void showMessage(const QString &text) override;
    QString askText(const QString &prompt, const QString &title) override;
    bool confirm(const QString &text) override;
};

} // namespace qs::app
