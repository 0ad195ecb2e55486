#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include "core/store/dberror.h"

namespace qs::store {

class DataSource;

// The kw table remembers, per URL and keyword, how much page text followed the keyword when it
// was last reported (TALSUM). A found keyword is new when no row exists for it, changed when the
// length moved further than the URL's sensitivity from the stored one, unchanged otherwise. Only
// a report moves the stored length, so small changes add up until they pass the sensitivity.
enum class HitOutcome
{
    New,
    Changed,
    Unchanged
};

struct HitRecording
{
    HitOutcome outcome = HitOutcome::New;
    QVariant storedLength; // the length stored before, when there was one
    // Statements that failed. The keyword then counts as new, so that a failing database never
    // hides a hit from the report.
    QList<DbError> errors;
};

// The kw row of a URL and keyword, read without changing it.
struct StoredHit
{
    bool exists = false;
    QVariant length; // TALSUM; may be null
    DbError error;
};
StoredHit storedHit(DataSource &dataSource, const QString &dsnName, qint64 urlId, const QString &keyword);
// Whether a keyword found with this length is new, changed or unchanged against what is stored.
HitOutcome verdict(const StoredHit &stored, qint64 length, qint64 sensitivity);

// Whether length is no further than sensitivity from the stored length.
bool withinSensitivity(qint64 stored, qint64 length, qint64 sensitivity);

HitRecording recordHit(DataSource &dataSource, const QString &dsnName, qint64 urlId, qint64 sensitivity,
                       const QString &keyword, qint64 length);

} // namespace qs::store
