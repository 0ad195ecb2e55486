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
    const quint64 distance = stored > length ? quint64(stored) - quint64(length) : quint64(length) - quint64(stored);
    return distance <= quint64(sensitivity);
}

HitRecording recordHit(DataSource &dataSource, const QString &dsnName, qint64 urlId, qint64 sensitivity,
                       const QString &keyword, qint64 length)
{
    HitRecording recording;
    const auto failed = [&recording](const DbError &error) {
        if (error.failed())
            recording.errors << error;
        return error.failed();
    };

    // Bound values and exact equality: a keyword with an apostrophe, "%" or "_" is one keyword,
    // stored once, and never a pattern.
    QSqlQuery existing;
    if (failed(dataSource.exec(dsnName, existing, sql::selectHit, {urlId, keyword})))
        return recording;

    if (!existing.next()) {
        QSqlQuery insert;
        failed(dataSource.exec(dsnName, insert, sql::insertHit, {urlId, keyword, length}));
        recording.outcome = HitOutcome::New;
        return recording;
    }

    const QVariant storedValue = existing.value(QStringLiteral("TALSUM"));
    existing.finish();
    if (!storedValue.isNull() && withinSensitivity(storedValue.toLongLong(), length, sensitivity)) {
        recording.outcome = HitOutcome::Unchanged;
        return recording;
    }

    QSqlQuery update;
    failed(dataSource.exec(dsnName, update, sql::updateHit, {length, urlId, keyword}));
    recording.outcome = HitOutcome::Changed;
    return recording;
}

} // namespace qs::store
