#include "core/lists/urlcommands.h"

#include "core/app/blanks.h"
#include "core/app/datasourcename.h"
#include "core/app/errorentry.h"
#include "core/app/operatorprompts.h"
#include "core/app/runfields.h"
#include "core/lists/listtransfer.h"
#include "core/store/datasource.h"
#include "core/store/listtables.h"

namespace qs::lists {

using app::Field;

namespace {

GridTable urlTable()
{
    GridTable table;
    table.table = QStringLiteral("listen");
    table.shownColumns = QStringList{QStringLiteral("URL"), QStringLiteral("SCENS")};
    table.sortColumn = QStringLiteral("ID");
    // The two lists report a failed load under one name, which readers of the error pane know.
    table.loadErrorPrefix = QStringLiteral("Keyword load Error ");
    table.writeErrorPrefix = QStringLiteral("URL edit Error ");
    table.deleteQuestion = QStringLiteral("Delete the URL %1 from the list?");
    return table;
}

} // namespace

UrlCommands::UrlCommands(const ListContext &context, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_grid(context, urlTable())
{}

void UrlCommands::cmdURLClick()
{
    m_grid.load();
}

void UrlCommands::cmdAddClick()
{
    const QString dsn = m_context.dataSourceName.refresh();
    const QString url = m_context.prompts.askText(QStringLiteral("Enter Link"), QStringLiteral("Add URL"));
    // Blanks only (or Cancel) add nothing; otherwise the text is stored as typed, blanks included.
    if (app::isBlank(url))
        return;

    const QString prefix = QStringLiteral("Database Add Error ");
    store::DbError error;
    m_context.dataSource.connection(dsn, &error);
    if (error.failed()) {
        m_context.prompts.showMessage(QStringLiteral("Error ") + app::numberText(error.number) +
                                      error.description + QStringLiteral("16"));
        m_context.fields.append(Field::txtEtrap, app::errorEntry(prefix, error.number, error.description));
        return;
    }
    error = store::insertUrl(m_context.dataSource, dsn, url);
    // A refused row (a unique index on URL, say) must not vanish without a word.
    if (error.failed())
        m_context.fields.append(Field::txtEtrap, app::errorEntry(prefix, error.number, error.description));
}

store::DbError UrlCommands::writeResetDate(const QString &dsn, const QList<QVariant> &ids)
{
    // Row by row, so that a row the data source refuses stops the walk and the rows before it
    // keep their new date.
    for (const QVariant &id : ids) {
        if (store::DbError error = store::setUrlDate(m_context.dataSource, dsn, m_resetDate, id);
            error.failed())
            return error;
    }
    return {};
}

void UrlCommands::cmdResetClick()
{
    const QString dsn = m_context.dataSourceName.refresh();
    const store::RowIds rows = store::urlIds(m_context.dataSource, dsn);
    const store::DbError error = rows.error.failed() ? rows.error : writeResetDate(dsn, rows.ids);

    if (!error.failed())
        m_context.prompts.showMessage(QStringLiteral("reset Finished"));
    else if (error.number == store::DataSourceNotFound)
        m_context.prompts.showMessage(QStringLiteral("ODBC Drive not found"));
    else
        m_context.fields.append(Field::txtEtrap, app::errorEntry(QStringLiteral("Database reset Error "),
                                                                 error.number, error.description));
}

QHash<qint64, store::UrlStatus> UrlCommands::statuses()
{
    return store::urlStatuses(m_context.dataSource, m_context.dataSourceName.current()).byId;
}

CommandResult UrlCommands::add(const QString &url, std::optional<qint64> sensitivity)
{
    if (const QString problem = urlProblem(url); !problem.isEmpty())
        return CommandResult::badInput(problem + QStringLiteral("; nothing added"));
    if (sensitivity) {
        if (const QString problem = sensitivityIn(QString::number(*sensitivity)).problem; !problem.isEmpty())
            return CommandResult::badInput(problem + QStringLiteral("; nothing added"));
    }
    const QString dsn = m_context.dataSourceName.refresh();
    const store::UrlRows listed = store::urlRows(m_context.dataSource, dsn);
    if (listed.error.failed())
        return CommandResult::fromError(listed.error, QStringLiteral("reading the URL list"));
    for (const store::UrlRow &row : listed.rows) {
        if (store::urlKey(row.url.toString()) == store::urlKey(url))
            return CommandResult::badInput(QStringLiteral("%1 is listed already (ID %2); nothing added")
                                               .arg(store::urlKey(url), row.id.toString()));
    }
    const store::DbError error = sensitivity ? store::insertUrl(m_context.dataSource, dsn, url, *sensitivity)
                                             : store::insertUrl(m_context.dataSource, dsn, url);
    if (error.failed())
        return CommandResult::fromError(error, QStringLiteral("adding %1").arg(url));
    return {};
}

CommandResult UrlCommands::remove(qint64 id)
{
    const QString dsn = m_context.dataSourceName.refresh();
    int deleted = 0;
    if (const store::DbError error = store::deleteUrl(m_context.dataSource, dsn, id, &deleted);
        error.failed())
        return CommandResult::fromError(error, QStringLiteral("removing ID %1").arg(id));
    if (deleted == 0)
        return CommandResult::badInput(QStringLiteral("no URL has the ID %1").arg(id));
    return {};
}

CommandResult UrlCommands::resetDates(const QList<qint64> &ids)
{
    const QString dsn = m_context.dataSourceName.refresh();
    const store::RowIds rows = store::urlIds(m_context.dataSource, dsn);
    if (rows.error.failed())
        return CommandResult::fromError(rows.error, QStringLiteral("reading the URL list"));
    QList<QVariant> chosen;
    for (qint64 id : ids) {
        const auto found = std::find_if(rows.ids.cbegin(), rows.ids.cend(),
                                        [id](const QVariant &listed) { return listed.toLongLong() == id; });
        if (found == rows.ids.cend())
            return CommandResult::badInput(QStringLiteral("no URL has the ID %1; no date was reset").arg(id));
        chosen << *found;
    }
    if (const store::DbError error = writeResetDate(dsn, ids.isEmpty() ? rows.ids : chosen); error.failed())
        return CommandResult::fromError(error, QStringLiteral("resetting the dates"));
    return {CommandResult::Kind::Done,
            {QStringLiteral("%1 URL(s) due again").arg(ids.isEmpty() ? rows.ids.size() : chosen.size())}};
}

} // namespace qs::lists
