#include "core/store/listtables.h"

#include <cmath>

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
    if (!list.error.failed())
        readUrlRows(query, list.rows);
    return list;
}

void readUrlRows(QSqlQuery &query, QList<UrlRow> &rows)
{
    while (query.next()) {
        rows.append({query.value(QStringLiteral("ID")), query.value(QStringLiteral("URL")),
                     query.value(QStringLiteral("SCENS")), query.value(QStringLiteral("DAGEN")),
                     query.value(QStringLiteral("TAL"))});
    }
}

std::optional<qint64> storedNumber(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    bool ok = false;
    const QString text = value.toString().trimmed();
    const qint64 number = text.toLongLong(&ok);
    if (ok)
        return number;
    const double real = text.toDouble(&ok);
    if (ok && std::isfinite(real) && std::abs(real) < 9.0e18)
        return qRound64(real);
    return std::nullopt;
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
