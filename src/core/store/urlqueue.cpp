#include "core/store/urlqueue.h"

#include <QSqlQuery>

#include "core/store/datasource.h"
#include "core/store/statements.h"

namespace qs::store {

DueRows selectDueRows(DataSource &dataSource, const QString &dsnName, const QDate &today,
                      std::optional<qint64> afterId, int limit)
{
    DueRows due;
    QSqlQuery query;
    due.error = afterId ? dataSource.exec(dsnName, query, sql::selectDueUrlsAfter, {*afterId, today, limit})
                        : dataSource.exec(dsnName, query, sql::selectDueUrls, {today, limit});
    if (!due.error.failed())
        readUrlRows(query, due.rows);
    return due;
}

Claim claimRow(DataSource &dataSource, const QString &dsnName, const DueRow &row, const QDate &today)
{
    Claim claim;
    QSqlQuery mark;
    claim.error = dataSource.exec(dsnName, mark, sql::markUrlTaken, {today, row.id, today});
    if (claim.error.failed())
        return claim;
    claim.rowsChanged = mark.numRowsAffected();
    switch (claim.rowsChanged) {
    case 0:
        claim.outcome = Claim::Outcome::TakenElsewhere;
        break;
    case 1:
        claim.outcome = Claim::Outcome::Taken;
        break;
    default:
        // A table made without its primary key may hold one ID twice; a driver that cannot count
        // (-1) leaves it unknown what was taken. Either way the row cannot be told apart.
        claim.outcome = claim.rowsChanged > 1 ? Claim::Outcome::StoredTwice : Claim::Outcome::Failed;
        claim.error = {MarkCountUnknown,
                       QStringLiteral("Marking the row as scanned changed %1 rows instead of one")
                           .arg(claim.rowsChanged)};
        break;
    }
    return claim;
}

DbError giveBack(DataSource &dataSource, const QString &dsnName, const DueRow &row, const QDate &today)
{
    QSqlQuery update;
    if (row.count.isNull())
        return dataSource.exec(dsnName, update, sql::giveUrlBackWithoutCount, {row.date, row.id, today});
    const qint64 before = row.count.toLongLong();
    return dataSource.exec(dsnName, update, sql::giveUrlBack, {row.date, before, row.id, today, before + 1});
}

} // namespace qs::store
