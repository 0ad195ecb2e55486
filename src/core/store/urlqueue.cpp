#include "core/store/urlqueue.h"

#include <QSqlQuery>

#include "core/store/datasource.h"
#include "core/store/statements.h"

namespace qs::store {

TakenUrl takeNextDueUrl(DataSource &dataSource, const QString &dsnName, const QDate &today)
{
    TakenUrl taken;
    QSqlQuery due;
    taken.error = dataSource.exec(dsnName, due, sql::selectDueUrls, {today});
    if (taken.error.failed()) {
        taken.outcome = TakenUrl::Outcome::SelectFailed;
        return taken;
    }
    while (due.next()) {
        const QVariant id = due.value(QStringLiteral("ID"));
        QSqlQuery mark;
        const DbError error = dataSource.exec(dsnName, mark, sql::markUrlTaken, {today, id, today});
        if (error.failed()) {
            taken.outcome = TakenUrl::Outcome::MarkFailed;
            taken.id = id;
            taken.url = due.value(QStringLiteral("URL"));
            taken.error = error;
            return taken;
        }
        const int changed = mark.numRowsAffected();
        if (changed == 1) {
            taken.outcome = TakenUrl::Outcome::Taken;
            taken.id = id;
            taken.url = due.value(QStringLiteral("URL"));
            taken.sensitivity = due.value(QStringLiteral("SCENS"));
            return taken;
        }
        // None changed: another scanner took the row a moment ago; try the next one. Any other
        // count (rows sharing an ID, a driver that cannot tell) leaves it unknown which rows
        // were marked, so the run must not go on guessing.
        if (changed != 0) {
            taken.outcome = TakenUrl::Outcome::MarkFailed;
            taken.id = id;
            taken.error = {
                MarkCountUnknown,
                QStringLiteral("Marking the row as scanned changed %1 rows instead of one").arg(changed)};
            return taken;
        }
    }
    taken.outcome = TakenUrl::Outcome::NoneLeft;
    return taken;
}

} // namespace qs::store
