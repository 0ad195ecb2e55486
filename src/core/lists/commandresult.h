#pragma once

#include <QStringList>

namespace qs::store {
struct DbError;
}

namespace qs::lists {

// How a list command given on the command line ended, and what to tell the operator.
struct CommandResult
{
    enum class Kind
    {
        Done,
        BadInput,     // nothing was changed: the input was not usable as it stands
        NoDataSource, // the data source could not be opened
        Failed,       // the database refused a statement
    };
    Kind kind = Kind::Done;
    QStringList lines;

    static CommandResult badInput(const QString &line) { return {Kind::BadInput, {line}}; }
    // A failed statement sorted by its number; `doing` says what was being done.
    static CommandResult fromError(const store::DbError &error, const QString &doing);
};

} // namespace qs::lists
