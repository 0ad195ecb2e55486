#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

#include "core/store/dberror.h"

namespace qs::store {

class DataSource;

// Per URL, the last check, its outcome and how many runs in a row it failed, in a table of its own
// (urlstatus, keyed by the URL's ID), so that a URL that has failed for a week stands out from one
// that failed once. The URL tables are never changed for it.
struct UrlStatus
{
    QDateTime lastCheck;
    QString outcome;     // the status line, or why the fetch failed
    qint64 failures = 0; // runs in a row that failed
};

// Makes sure the table exists, creating it in a database that lacks it.
DbError prepareUrlStatus(DataSource &dataSource, const QString &dsn);

// Records one check of a URL; returns the failures in a row after it (0 after a success).
struct StatusRecording
{
    qint64 failures = 0;
    DbError error;
};
StatusRecording recordUrlStatus(DataSource &dataSource, const QString &dsn, qint64 id,
                                const QDateTime &checked, const QString &outcome, bool failed);

struct UrlStatuses
{
    QHash<qint64, UrlStatus> byId;
    DbError error;
};
UrlStatuses urlStatuses(DataSource &dataSource, const QString &dsn);

} // namespace qs::store
