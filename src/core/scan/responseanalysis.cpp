#include "core/scan/responseanalysis.h"

#include <QStringView>

#include "core/app/blanks.h"

namespace qs::scan {

QString pageTitle(const QString &page)
{
    QString title;
    const qsizetype open = page.indexOf(u"<title>", 0, Qt::CaseInsensitive);
    // The closing tag only has to exist somewhere; the title itself ends at the first '/', which in an
    // ordinary page is the one in "</title>". Titles such as "News / Sport" are therefore cut short;
    // reports and stored mail archives the operators keep show them that way, so it stays.
    if (open >= 0 && page.contains(u"</Title>", Qt::CaseInsensitive)) {
        const QStringView afterOpen = QStringView(page).sliced(open + 7);
        const qsizetype slash = afterOpen.indexOf(u'/');
        // Two characters before the slash: the '<' of the closing tag and the slash itself. With no
        // slash, or a slash right at the start, there is no title.
        if (slash >= 1)
            title = afterOpen.first(slash - 1).toString();
    }

    title = app::trimBlanks(title);

    // Trimming comes first, so a title that starts with a line break keeps a leading blank.
    for (QChar &c : title) {
        if (c.unicode() >= 9 && c.unicode() <= 13)
            c = u' ';
    }
    return title;
}

bool statusLineIsGood(const QString &headerBlock)
{
    // Only HTTP/1.0 and HTTP/1.1 put the code there; anything else is logged as a bad header.
    return headerBlock.indexOf(u"200 ") == 9;
}

bool hasFrameset(const QString &page)
{
    return page.contains(u"frameset ", Qt::CaseSensitive);
}

} // namespace qs::scan
