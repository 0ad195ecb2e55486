#include "core/store/hitrecord.h"

#include <QSqlQuery>

#include "core/store/datasource.h"
#include "core/store/statements.h"

namespace qs::store {

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
    const qint64 stored = storedValue.toLongLong();
    if (!storedValue.isNull() && stored - sensitivity <= length && stored + sensitivity >= length) {
        recording.outcome = HitOutcome::Unchanged;
        return recording;
    }

    QSqlQuery update;
    failed(dataSource.exec(dsnName, update, sql::updateHit, {length, urlId, keyword}));
    recording.outcome = HitOutcome::Changed;
    return recording;
}

} // namespace qs::store
