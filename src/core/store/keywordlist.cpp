#include "core/store/keywordlist.h"

#include <QSqlError>
#include <QSqlQuery>

#include "core/store/datasource.h"
#include "core/store/statements.h"

namespace qs::store {

namespace {

void readKeywords(QSqlQuery &query, KeywordList &list)
{
    while (query.next()) {
        ++list.rowCount;
        list.values << query.value(QStringLiteral("KEYWORDS")).toString();
    }
}

} // namespace

KeywordList loadKeywords(DataSource &dataSource, const QString &dsnName)
{
    KeywordList list;
    QSqlQuery query;
    list.error = dataSource.exec(dsnName, query, sql::selectKeywords);
    if (!list.error.failed())
        readKeywords(query, list);
    return list;
}

KeywordList loadKeywords(const QSqlDatabase &db)
{
    KeywordList list;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (query.exec(sql::selectKeywords))
        readKeywords(query, list);
    else
        list.error = DbError::fromStatement(query.lastError());
    return list;
}

QString alikeKeyword(const QStringList &listed, const QString &keyword, const QString &replacing)
{
    bool replacedSkipped = replacing.isNull();
    for (const QString &candidate : listed) {
        if (!replacedSkipped && candidate == replacing) {
            replacedSkipped = true;
            continue;
        }
        // The comparison the search makes: Qt's case folding, character by character.
        if (candidate.compare(keyword, Qt::CaseInsensitive) == 0)
            return candidate;
    }
    return {};
}

} // namespace qs::store
