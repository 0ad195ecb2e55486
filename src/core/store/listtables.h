#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include "core/store/dberror.h"

namespace qs::store {

class DataSource;

// Statements on the URL and keyword tables that the operator's commands send.

// A new URL; without a sensitivity the table's default applies.
DbError insertUrl(DataSource &dataSource, const QString &dsn, const QString &url);
DbError insertUrl(DataSource &dataSource, const QString &dsn, const QString &url, qint64 sensitivity);

// A listed URL as stored, in ID order.
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
UrlRows urlRows(DataSource &dataSource, const QString &dsn);

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
