#pragma once

#include <QString>

class QSqlError;

namespace qs::store {

// Error numbers with a fixed meaning for every database routine.
inline constexpr qint64 DataSourceNotFound = -2147467259; // 0x80004005: the data source could not be opened
inline constexpr qint64 NoCurrentRow = 3021;              // the cursor stands on no row
// A value the list holds already, in a form the program does not tell apart from it.
inline constexpr qint64 AlreadyListed = 3022;
// A marking statement that did not change exactly one row or none.
inline constexpr qint64 MarkCountUnknown = 3197;

// A database failure as the routines sort it: a number and a description. Number 0 is success.
struct DbError
{
    qint64 number = 0;
    QString description;

    bool failed() const { return number != 0; }
    static DbError fromStatement(const QSqlError &error);
};

} // namespace qs::store
