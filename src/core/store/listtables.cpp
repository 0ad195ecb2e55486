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

DbError insertUrl(DataSource &dataSource, const QString &dsn, const QString &url, qint64 sensitivity)
{
    QSqlQuery query;
    return dataSource.exec(dsn, query, sql::insertUrlWithSensitivity, {url, sensitivity});
}

UrlRows urlRows(DataSource &dataSource, const QString &dsn)
{
    UrlRows list;
    QSqlQuery query;
    list.error = dataSource.exec(dsn, query, sql::selectUrlList);
    while (!list.error.failed() && query.next())
        list.rows.append({query.value(0), query.value(1), query.value(2), query.value(3), query.value(4)});
    return list;
}

namespace {

DbError deleteRows(DataSource &dataSource, const QString &dsn, const QString &statement, const QVariant &key,
                   int *deleted)
{
    QSqlQuery query;
    DbError error = dataSource.exec(dsn, query, statement, {key});
    *deleted = error.failed() ? 0 : query.numRowsAffected();
    return error;
}

} // namespace

DbError deleteUrl(DataSource &dataSource, const QString &dsn, qint64 id, int *deleted)
{
    return deleteRows(dataSource, dsn, sql::deleteUrl, id, deleted);
}

DbError insertKeyword(DataSource &dataSource, const QString &dsn, const QString &keyword)
{
    QSqlQuery query;
    return dataSource.exec(dsn, query, sql::insertKeyword, {keyword});
}

DbError deleteKeyword(DataSource &dataSource, const QString &dsn, const QString &keyword, int *deleted)
{
    return deleteRows(dataSource, dsn, sql::deleteKeyword, keyword, deleted);
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
