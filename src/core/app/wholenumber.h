#pragma once

#include <optional>

#include <QString>

namespace qs::app {

struct WholeNumber
{
    std::optional<qint64> value;
    QString problem; // in words, when there is no value
};

// A whole number the operator typed, blanks around it ignored, from least to most. Otherwise no
// value, and the problem names the number as `what`.
WholeNumber wholeNumberIn(const QString &what, const QString &text, qint64 least, qint64 most);

} // namespace qs::app
