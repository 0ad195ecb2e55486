#include "core/store/keywordlist.h"

#include <QSqlQuery>

#include "core/store/datasource.h"
#include "core/store/statements.h"

namespace qs::store {

KeywordList loadKeywords(DataSource &dataSource, const QString &dsnName)
{
    KeywordList list;
    QSqlQuery query;
    list.error = dataSource.exec(dsnName, query, sql::selectKeywords);
    if (list.error.failed())
        return list;
    while (query.next()) {
        ++list.rowCount;
        list.values << query.value(QStringLiteral("KEYWORDS")).toString();
    }
    return list;
}

} // namespace qs::store
