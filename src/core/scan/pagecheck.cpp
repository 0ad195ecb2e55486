#include "core/scan/pagecheck.h"

#include "core/app/blanks.h"
#include "core/app/displaytext.h"
#include "core/scan/keywordsearch.h"
#include "core/scan/responseanalysis.h"
#include "core/scan/tagstripper.h"

namespace qs::scan {

PageCheck checkPage(const FetchResult &result, const QStringList &keywords)
{
    PageCheck check;
    check.statusLine = app::safeForDisplay(result.headerBlock.section(QStringLiteral("\r\n"), 0, 0));
    check.finalUrl = result.finalUrl;
    check.charset = QString::fromLatin1(result.encoding);
    check.title = app::safeForDisplay(pageTitle(result.body));
    const StripResult stripped = stripTags(result.body);
    check.text = stripped.shownText;

    // The run skips blank keywords; so does the check, so that the lengths are the run's.
    QStringList searched;
    for (const QString &keyword : keywords) {
        if (!app::isBlank(keyword))
            searched << keyword;
    }
    const QList<KeywordFind> finds = stripped.text.isEmpty()
                                         ? QList<KeywordFind>()
                                         : searchKeywords(stripped.text, stripped.shownText, searched);
    for (qsizetype index = 0; index < searched.size(); ++index) {
        KeywordCheck keyword;
        keyword.keyword = app::trimBlanks(searched.at(index));
        const KeywordMatcher matcher(searched.at(index) + u' ');
        for (qsizetype from = 0; from <= check.text.size();) {
            const qsizetype found = matcher.indexIn(QStringView(check.text).sliced(from));
            if (found < 0)
                break;
            keyword.positions << from + found + 1;
            from += found + 1;
        }
        for (const KeywordFind &find : finds) {
            if (find.keywordIndex == index)
                keyword.comparedLength = find.remainingLength;
        }
        if (!keyword.positions.isEmpty())
            keyword.context =
                hitContext(stripped.originalCase, keyword.positions.first() - 1, searched.at(index).size());
        check.keywords << keyword;
    }
    return check;
}

} // namespace qs::scan
