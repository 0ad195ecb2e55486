#include "core/app/wholenumber.h"

namespace qs::app {

WholeNumber wholeNumberIn(const QString &what, const QString &text, qint64 least, qint64 most)
{
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    if (ok && value >= least && value <= most)
        return {value, {}};
    return {
        std::nullopt,
        QStringLiteral("%1 \"%2\" is not a whole number from %3 to %4").arg(what, text).arg(least).arg(most)};
}

} // namespace qs::app
