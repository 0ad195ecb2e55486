#pragma once

#include <QString>

namespace qs::scan {

struct StripResult
{
    // What the stripper hands back to keyword search: the page unchanged when it holds no '<'.
    QString text;
    // What it leaves behind for counting (txtStripHTML): empty when the page holds no '<', else == text.
    QString shownText;
    // The shown text before it was lower-cased. Lower-casing keeps every character in its place,
    // so a position in the text is the same position here: quotes in alerts show the page's own
    // letters.
    QString originalCase;
};

// Drops the document head and every "<...>" span, lower-cases the rest and trims blanks off both ends.
// The quirks are deliberate: stored hit lengths were computed with them, so a "cleaner" stripper would
// make every known page look changed. In particular a '>' in running text re-emits the text after it,
// text after the last tag is lost, only a lower-case "</head>" ends the head, and only the blank
// (not tabs or line breaks) is trimmed.
StripResult stripTags(const QString &htmlDoc);

} // namespace qs::scan
