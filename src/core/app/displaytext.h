#pragma once

#include <QString>

namespace qs::app {

// Text a web server chose (a page title, a status line, header fields) as it may be shown: in
// the window, the report, the error pane, the mail and on a terminal. Every control character
// but TAB, CR and LF becomes U+FFFD, one for one, so that a page can neither move a terminal's
// cursor, retitle it or hide lines, nor cut a report short with a NUL.
inline QString safeForDisplay(QString text)
{
    for (QChar &c : text) {
        const char16_t unit = c.unicode();
        const bool control = unit < 0x20 || (unit >= 0x7F && unit <= 0x9F);
        if (control && unit != u'\t' && unit != u'\r' && unit != u'\n')
            c = QChar(0xFFFD);
    }
    return text;
}

// "1 URL", "3 URLs": counts in the status bar, the notification and the mail read as sentences.
inline QString counted(qsizetype count, const QString &one, const QString &many)
{
    return QString::number(count) + QLatin1Char(' ') + (count == 1 ? one : many);
}

} // namespace qs::app
