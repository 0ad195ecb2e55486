#pragma once

#include <optional>

#include <QDate>
#include <QList>
#include <QVariant>

#include "core/store/dberror.h"
#include "core/store/listtables.h"

namespace qs::store {

class DataSource;

// The queue of a scan run is the listen table itself: a row is due while its date differs from
// today, and taking it writes today's date into it and counts it.

// A row as it was read, before it was taken.
using DueRow = UrlRow;
using DueRows = UrlRows;

// Up to limit due rows in ID order: from the lowest ID, or after afterId.
DueRows selectDueRows(DataSource &dataSource, const QString &dsnName, const QDate &today,
                      std::optional<qint64> afterId, int limit);

struct Claim
{
    enum class Outcome
    {
        Taken,          // the row is ours: dated today and counted
        TakenElsewhere, // no longer due: another scanner took it a moment ago
        StoredTwice,    // the ID names more than one row, and all of them were taken
        Failed,         // the statement failed
    };
    Outcome outcome = Outcome::Failed;
    DbError error;
    int rowsChanged = 0;
};

// Takes one due row with the statement that is the guard between scanners.
Claim claimRow(DataSource &dataSource, const QString &dsnName, const DueRow &row, const QDate &today);

// Undoes claimRow() for a row that was taken and not analysed, unless the row has changed since.
DbError giveBack(DataSource &dataSource, const QString &dsnName, const DueRow &row, const QDate &today);

} // namespace qs::store
