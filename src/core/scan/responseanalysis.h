#pragma once

#include <QString>

namespace qs::scan {

// The page title as shown and reported: the text after the first "<title>" (any case) up to two
// characters before the first '/' after it, provided a "</title>" (any case) is anywhere in the page.
// Blanks are trimmed first, then tab, LF, VT, FF and CR each become one blank. Empty when either tag
// is missing or no usable '/' follows.
QString pageTitle(const QString &page);

// True when the first "200 " in the response header block starts at 1-based position 10, i.e. right
// after "HTTP/1.x ".
bool statusLineIsGood(const QString &headerBlock);

// True when the page contains "frameset " (lower case, with the blank).
bool hasFrameset(const QString &page);

} // namespace qs::scan
