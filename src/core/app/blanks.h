#pragma once

#include <QString>

namespace qs::app {

// A value that is empty or made of blanks only counts as not entered: the dialogs and the
// command line never store one, and the scan skips such a keyword or URL.
inline bool isBlank(const QString &value)
{
    return value.trimmed().isEmpty();
}

// Removes leading and trailing space characters only; tabs and line breaks at the ends stay.
inline QString trimBlanks(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

} // namespace qs::app
