#include "core/app/operatorprompts.h"

#include <cstdio>

namespace qs::app {

void HeadlessPrompts::showMessage(const QString &text)
{
    QString line = text;
    line.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
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
