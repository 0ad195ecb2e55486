#pragma once

#include <QStringList>

#include "core/app/operatorprompts.h"

namespace qs::test {

// Records what the program tells the operator and answers its questions from a script.
class RecordingPrompts final : public app::OperatorPrompts
{
public:
    void showMessage(const QString &text, const QString &commandLineText = {}) override
    {
        messages << text;
        commandLineMessages << (commandLineText.isEmpty() ? text : commandLineText);
    }
    QString askText(const QString &prompt, const QString &title) override
    {
        questions << title + QStringLiteral(": ") + prompt;
        return textAnswers.isEmpty() ? QString() : textAnswers.takeFirst();
    }
    bool confirm(const QString &text) override
    {
        confirmations << text;
        return confirmAnswer;
    }

    QStringList messages;
    QStringList commandLineMessages;
    QStringList questions;
    QStringList confirmations;
    QStringList textAnswers;
    bool confirmAnswer = false;
};

} // namespace qs::test
