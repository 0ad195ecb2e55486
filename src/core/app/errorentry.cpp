#include "core/app/errorentry.h"

namespace qs::app {

QString numberText(qint64 number)
{
    return number < 0 ? QString::number(number) : QLatin1Char(' ') + QString::number(number);
}

QString errorEntry(const QString &prefix, qint64 number, const QString &description)
{
    return prefix + numberText(number) + description + QStringLiteral("16\r\n");
}

} // namespace qs::app
