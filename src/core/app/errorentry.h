#pragma once

#include <QString>

namespace qs::app {

// A number as the error pane writes it: one leading blank when not negative ("  5" is never
// produced), the minus sign directly in front when negative.
QString numberText(qint64 number);

// One entry of the error pane: prefix, number, description, "16", CR LF.
QString errorEntry(const QString &prefix, qint64 number, const QString &description);

} // namespace qs::app
