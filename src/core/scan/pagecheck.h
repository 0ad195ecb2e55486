#pragma once

#include <optional>

#include <QList>
#include <QString>
#include <QStringList>

#include "core/scan/fetchresult.h"
#include "core/scan/hitcontext.h"

namespace qs::scan {

// What a run would make of one fetched page, for `quillmere-scan check`: the same title, stripped
// text, search and lengths, without writing anything.
struct KeywordCheck
{
    QString keyword;            // as the run records it: without blanks around
    QList<qsizetype> positions; // 1-based, of every occurrence the search looks for (the keyword and a blank)
    std::optional<qsizetype> comparedLength; // the length the tolerance compares; none when it does not count
    HitContext context;                      // around the first occurrence
};

struct PageCheck
{
    QString statusLine;
    QString finalUrl;
    QString charset;
    QString title;
    QString text; // the stripped text the keywords are searched in
    QList<KeywordCheck> keywords;
};

// keywords: the keyword list as loaded, in its order.
PageCheck checkPage(const FetchResult &result, const QStringList &keywords);

} // namespace qs::scan
