#pragma once

#include <optional>

#include <QList>
#include <QString>
#include <QVariant>

#include "core/store/dberror.h"

class QSqlQuery;

namespace qs::store {

class DataSource;

// Statements on the URL and keyword tables that the operator's commands send.

// A new URL; without a sensitivity the table's default applies.
DbError insertUrl(DataSource &dataSource, const QString &dsn, const QString &url);
DbError insertUrl(DataSource &dataSource, const QString &dsn, const QString &url, qint64 sensitivity);

// A row of the URL list. The values stay as the data source handed them over: a null URL or
// sensitivity is reported where it is used, and giving a taken row back writes back exactly what
// was there.
struct UrlRow
{
    QVariant id;
    QVariant url;
    QVariant sensitivity;
    QVariant date;
    QVariant count;
};
struct UrlRows
{
    QList<UrlRow> rows;
    DbError error;
};
// Every listed URL as stored, in ID order.
UrlRows urlRows(DataSource &dataSource, const QString &dsn);
// Appends the rows a query on the URL list returned, whatever order it selected the columns in.
void readUrlRows(QSqlQuery &query, QList<UrlRow> &rows);

// A number as a scan run reads it from a column: blanks around it are ignored and a real number is
// rounded; none for a null value or a text that is no number.
std::optional<qint64> storedNumber(const QVariant &value);
// Two URLs are one entry of the list when they are equal without the white space around them.
inline QString urlKey(const QString &url)
{
    return url.trimmed();
}

// Deletes rows; `deleted` says how many there were.
DbError deleteUrl(DataSource &dataSource, const QString &dsn, qint64 id, int *deleted);
DbError insertKeyword(DataSource &dataSource, const QString &dsn, const QString &keyword);
DbError deleteKeyword(DataSource &dataSource, const QString &dsn, const QString &keyword, int *deleted);

struct RowIds
{
    QList<QVariant> ids; // as the data source hands them over
    DbError error;
};
RowIds urlIds(DataSource &dataSource, const QString &dsn);

// Dates one URL; a date that is not a valid yyyy-mm-dd text is bound as the text itself, for the
// data source to take or refuse.
DbError setUrlDate(DataSource &dataSource, const QString &dsn, const QString &date, const QVariant &id);

DbError deleteAllHits(DataSource &dataSource, const QString &dsn);

} // namespace qs::store
