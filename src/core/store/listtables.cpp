#include "core/store/listtables.h"

#include <QDate>
#include <QSqlQuery>

#include "core/store/datasource.h"
#include "core/store/statements.h"

namespace qs::store {

DbError insertUrl(DataSource &dataSource, const QString &dsn, const QString &url)
{
    QSqlQuery query;
    return dataSource.exec(dsn, query, sql::insertUrl, {url});
}

RowIds urlIds(DataSource &dataSource, const QString &dsn)
{
    RowIds rows;
    QSqlQuery query;
    rows.error = dataSource.exec(dsn, query, sql::selectAllUrls);
    while (!rows.error.failed() && query.next())
        rows.ids << query.value(QStringLiteral("ID"));
    return rows;
}

DbError setUrlDate(DataSource &dataSource, const QString &dsn, const QString &date, const QVariant &id)
{
    // A yyyy-mm-dd text is bound as a date, which both SQLite and PostgreSQL take for a DATE
    // column.
    const QDate day = QDate::fromString(date, Qt::ISODate);
    QSqlQuery query;
    return dataSource.exec(dsn, query, sql::setUrlDate, {day.isValid() ? QVariant(day) : QVariant(date), id});
}

DbError deleteAllHits(DataSource &dataSource, const QString &dsn)
{
    QSqlQuery query;
    return dataSource.exec(dsn, query, sql::deleteAllHits);
}

} // namespace qs::store
