#pragma once

#include <QDate>
#include <QVariant>

#include "core/store/dberror.h"

namespace qs::store {

class DataSource;

// The queue of a scan run is the listen table itself: a row is due while its date differs from
// today, and taking it writes today's date into it.
struct TakenUrl
{
    enum class Outcome
    {
        Taken,        // row marked and returned
        NoneLeft,     // no due row
        SelectFailed, // the data source could not be opened or the selection failed
        MarkFailed,   // the date could not be written into a due row
    };
    Outcome outcome = Outcome::NoneLeft;
    QVariant id;
    QVariant url;
    QVariant sensitivity;
    DbError error;
};

// The number of a marking statement that did not change exactly one row or none.
inline constexpr qint64 MarkCountUnknown = 3197;

// Takes the first due row that this call manages to mark. A row that another scanner sharing
// the database has just taken no longer matches the marking statement, so the next due row is
// tried instead.
TakenUrl takeNextDueUrl(DataSource &dataSource, const QString &dsnName, const QDate &today);

} // namespace qs::store
