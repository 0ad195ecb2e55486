#include "core/app/operatorprompts.h"

#include "core/app/output.h"

namespace qs::app {

void HeadlessPrompts::showMessage(const QString &text, const QString &commandLineText)
{
    QString line = commandLineText.isEmpty() ? text : commandLineText;
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    writeLine(stderr, line);
}

QString HeadlessPrompts::askText(const QString & /*prompt*/, const QString & /*title*/)
{
    return {};
}

bool HeadlessPrompts::confirm(const QString & /*text*/)
{
    return false;
}

} // namespace qs::app
