#pragma once

#include <QString>

namespace qs::scan {

// The page text around a hit, as an alert quotes it: up to `around` characters on each side,
// each run of white space shown as one blank.
struct HitContext
{
    QString before;
    QString hit;
    QString after;
    bool cutBefore = false; // the page text goes on before `before`
    bool cutAfter = false;  // and after `after`
};

// text: the stripped page text in its own letters; start and length: the hit, 0-based.
HitContext hitContext(const QString &text, qsizetype start, qsizetype length, qsizetype around = 80);

} // namespace qs::scan
