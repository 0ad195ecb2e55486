#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include "core/store/dberror.h"

namespace qs::store {

class DataSource;

// Statements on the URL and keyword tables that the operator's commands send.

DbError insertUrl(DataSource &dataSource, const QString &dsn, const QString &url);

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
