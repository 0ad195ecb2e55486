#include "core/lists/urlcommands.h"

#include "core/app/blanks.h"
#include "core/app/datasourcename.h"
#include "core/app/errorentry.h"
#include "core/app/operatorprompts.h"
#include "core/app/runfields.h"
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
        m_context.prompts.showMessage(QStringLiteral("Error ") + app::numberText(error.number) + error.description +
                                      QStringLiteral("16"));
        m_context.fields.append(Field::txtEtrap, app::errorEntry(prefix, error.number, error.description));
        return;
    }
    error = store::insertUrl(m_context.dataSource, dsn, url);
    // A refused row (a unique index on URL, say) must not vanish without a word.
    if (error.failed())
        m_context.fields.append(Field::txtEtrap, app::errorEntry(prefix, error.number, error.description));
}

void UrlCommands::cmdResetClick()
{
    const QString dsn = m_context.dataSourceName.refresh();
    store::RowIds rows = store::urlIds(m_context.dataSource, dsn);
    store::DbError error = rows.error;
    // Row by row, so that a row the data source refuses stops the walk and the rows before it
    // keep their new date.
    for (const QVariant &id : std::as_const(rows.ids)) {
        if (error.failed())
            break;
        error = store::setUrlDate(m_context.dataSource, dsn, m_resetDate, id);
    }

    if (!error.failed())
        m_context.prompts.showMessage(QStringLiteral("reset Finished"));
    else if (error.number == store::DataSourceNotFound)
        m_context.prompts.showMessage(QStringLiteral("ODBC Drive not found"));
    else
        m_context.fields.append(Field::txtEtrap, app::errorEntry(QStringLiteral("Database reset Error "),
                                                                 error.number, error.description));
}

} // namespace qs::lists
