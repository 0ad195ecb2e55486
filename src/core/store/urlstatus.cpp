#include "core/store/urlstatus.h"

#include <QSqlQuery>

#include "core/store/datasource.h"

namespace qs::store {
namespace {

// The check's moment as text: the same in every database, and as the operator reads it.
const QString MomentFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");
// Outcomes are status lines and error texts; longer ones are cut to what the column holds.
constexpr qsizetype OutcomeLength = 255;

const QString CreateTable =
    QStringLiteral("CREATE TABLE urlstatus (ID BIGINT PRIMARY KEY, LASTCHECK VARCHAR(19), "
                   "OUTCOME VARCHAR(255), FAILURES INTEGER)");
const QString SelectOne = QStringLiteral("SELECT FAILURES FROM urlstatus WHERE ID = ?");
const QString SelectAll = QStringLiteral("SELECT ID, LASTCHECK, OUTCOME, FAILURES FROM urlstatus");
const QString Update =
    QStringLiteral("UPDATE urlstatus SET LASTCHECK = ?, OUTCOME = ?, FAILURES = ? WHERE ID = ?");
const QString Insert =
    QStringLiteral("INSERT INTO urlstatus (ID, LASTCHECK, OUTCOME, FAILURES) VALUES (?, ?, ?, ?)");

} // namespace

DbError prepareUrlStatus(DataSource &dataSource, const QString &dsn)
{
    QSqlQuery query;
    if (!dataSource.exec(dsn, query, SelectOne, {qint64(-1)}).failed())
        return {};
    return dataSource.exec(dsn, query, CreateTable);
}

StatusRecording recordUrlStatus(DataSource &dataSource, const QString &dsn, qint64 id,
                                const QDateTime &checked, const QString &outcome, bool failed)
{
    StatusRecording recording;
    QSqlQuery query;
    recording.error = dataSource.exec(dsn, query, SelectOne, {id});
    if (recording.error.failed())
        return recording;
    const bool known = query.next();
    const qint64 before = known ? query.value(0).toLongLong() : 0;
    query.finish();
    recording.failures = failed ? before + 1 : 0;
    const QVariantList values{checked.toString(MomentFormat), outcome.left(OutcomeLength),
                              recording.failures};
    recording.error = known ? dataSource.exec(dsn, query, Update, values + QVariantList{id})
                            : dataSource.exec(dsn, query, Insert, QVariantList{id} + values);
    return recording;
}

UrlStatuses urlStatuses(DataSource &dataSource, const QString &dsn)
{
    UrlStatuses statuses;
    QSqlQuery query;
    statuses.error = dataSource.exec(dsn, query, SelectAll);
    while (!statuses.error.failed() && query.next()) {
        statuses.byId.insert(query.value(0).toLongLong(),
                             {QDateTime::fromString(query.value(1).toString(), MomentFormat),
                              query.value(2).toString(), query.value(3).toLongLong()});
    }
    return statuses;
}

} // namespace qs::store
