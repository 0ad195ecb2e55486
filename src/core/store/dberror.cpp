#include "core/store/dberror.h"

#include <QSqlError>

namespace qs::store {

DbError DbError::fromStatement(const QSqlError &error)
{
    // The driver's own number (SQLite's result code, 1 for PostgreSQL statements). The driver
    // manager reports 0 for its own failures; those still are failures.
    bool numeric = false;
    qint64 number = error.nativeErrorCode().toLongLong(&numeric);
    if (!numeric || number == 0)
        number = 1;
    QString description = error.databaseText();
    if (description.isEmpty())
        description = error.driverText();
    return {number, description};
}

} // namespace qs::store
