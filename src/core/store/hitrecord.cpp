#include "core/store/hitrecord.h"

#include <QSqlQuery>

#include "core/store/datasource.h"
#include "core/store/statements.h"

namespace qs::store {

bool withinSensitivity(qint64 stored, qint64 length, qint64 sensitivity)
{
    // Stored lengths and sensitivities may be anything up to 2^63 - 1, so the distance is taken
    // in unsigned arithmetic, where it always fits; a negative sensitivity tolerates nothing.
    if (sensitivity < 0)
        return false;
    const quint64 distance =
        stored > length ? quint64(stored) - quint64(length) : quint64(length) - quint64(stored);
    return distance <= quint64(sensitivity);
}

StoredHit storedHit(DataSource &dataSource, const QString &dsnName, qint64 urlId, const QString &keyword)
{
    StoredHit stored;
    // Bound values and exact equality: a keyword with an apostrophe, "%" or "_" is one keyword,
    // stored once, and never a pattern.
    QSqlQuery existing;
    stored.error = dataSource.exec(dsnName, existing, sql::selectHit, {urlId, keyword});
    if (!stored.error.failed() && existing.next()) {
        stored.exists = true;
        stored.length = existing.value(QStringLiteral("TALSUM"));
    }
    return stored;
}

HitOutcome verdict(const StoredHit &stored, qint64 length, qint64 sensitivity)
{
    if (!stored.exists)
        return HitOutcome::New;
    // A length that was never stored cannot show that nothing changed.
    if (!stored.length.isNull() && withinSensitivity(stored.length.toLongLong(), length, sensitivity))
        return HitOutcome::Unchanged;
    return HitOutcome::Changed;
}

HitRecording recordHit(DataSource &dataSource, const QString &dsnName, qint64 urlId, qint64 sensitivity,
                       const QString &keyword, qint64 length)
{
    HitRecording recording;
    const StoredHit stored = storedHit(dataSource, dsnName, urlId, keyword);
    if (stored.error.failed()) {
        recording.errors << stored.error;
        return recording;
    }
    recording.storedLength = stored.length;
    recording.outcome = verdict(stored, length, sensitivity);
    if (recording.outcome == HitOutcome::Unchanged)
        return recording;
    QSqlQuery write;
    const DbError error = recording.outcome == HitOutcome::New
                              ? dataSource.exec(dsnName, write, sql::insertHit, {urlId, keyword, length})
                              : dataSource.exec(dsnName, write, sql::updateHit, {length, urlId, keyword});
    if (error.failed())
        recording.errors << error;
    return recording;
}

} // namespace qs::store
