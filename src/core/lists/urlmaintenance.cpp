#include "core/lists/urlmaintenance.h"

#include <QDate>
#include <QSqlQuery>

#include "core/app/blanks.h"
#include "core/app/datasourcename.h"
#include "core/app/errorentry.h"
#include "core/app/operatorprompts.h"
#include "core/app/runstate.h"
#include "core/store/datasource.h"
#include "core/store/statements.h"

namespace qs::store {

using app::Field;

namespace {

GridTable urlTable()
{
    GridTable table;
    table.table = QStringLiteral("listen");
    table.shownColumns = QStringList{QStringLiteral("URL"), QStringLiteral("SCENS")};
    table.sortColumn = QStringLiteral("ID");
    // Both lists have always reported a failed load under this one name.
    table.loadErrorPrefix = QStringLiteral("Keyword load Error ");
    table.writeErrorPrefix = QStringLiteral("URL edit Error ");
    table.deleteQuestion = QStringLiteral("Delete the URL %1 from the list?");
    return table;
}

} // namespace

UrlMaintenance::UrlMaintenance(app::RunState &state, const app::SettingsStore &settings,
                               DataSource &dataSource, app::OperatorPrompts &prompts, QObject *parent)
    : ListCommands(state, settings, dataSource, prompts, urlTable(), parent)
{}

void UrlMaintenance::cmdURLClick()
{
    m_grid.load();
}

void UrlMaintenance::cmdAddClick()
{
    const QString dsn = app::refreshDataSourceName(m_state, m_settings);
    const QString url = m_prompts.askText(QStringLiteral("Enter Link"), QStringLiteral("Add URL"));
    // Blanks only (or Cancel) add nothing; otherwise the text is stored as typed, blanks included.
    if (app::isBlank(url))
        return;

    const QString prefix = QStringLiteral("Database Add Error ");
    DbError error;
    m_dataSource.connection(dsn, &error);
    if (error.failed()) {
        m_prompts.showMessage(QStringLiteral("Error ") + app::numberText(error.number) + error.description +
                              QStringLiteral("16"));
        m_state.append(Field::txtEtrap, app::errorEntry(prefix, error.number, error.description));
        return;
    }
    QSqlQuery query;
    error = m_dataSource.exec(dsn, query, sql::insertUrl, {url});
    // A refused row (a unique index on URL, say) must not vanish without a word.
    if (error.failed())
        m_state.append(Field::txtEtrap, app::errorEntry(prefix, error.number, error.description));
}

void UrlMaintenance::cmdResetClick()
{
    const QString dsn = app::refreshDataSourceName(m_state, m_settings);
    const QString resetText = m_state.text(Field::txtreset);
    // A yyyy-mm-dd text is bound as a date, which both SQLite and PostgreSQL take for a DATE
    // column; any other text is left to the data source to accept or refuse.
    const QDate resetDate = QDate::fromString(resetText, Qt::ISODate);
    const QVariant value = resetDate.isValid() ? QVariant(resetDate) : QVariant(resetText);

    QVariantList ids;
    DbError error;
    {
        QSqlQuery rows;
        error = m_dataSource.exec(dsn, rows, sql::selectAllUrls);
        while (!error.failed() && rows.next())
            ids << rows.value(QStringLiteral("ID"));
    }
    // Row by row, so that a row the data source refuses stops the walk and the rows before it
    // keep their new date.
    for (const QVariant &id : std::as_const(ids)) {
        if (error.failed())
            break;
        QSqlQuery update;
        error = m_dataSource.exec(dsn, update, sql::setUrlDate, {value, id});
    }

    if (!error.failed())
        m_prompts.showMessage(QStringLiteral("reset Finished"));
    else if (error.number == DataSourceNotFound)
        m_prompts.showMessage(QStringLiteral("ODBC Drive not found"));
    else
        m_state.append(Field::txtEtrap, app::errorEntry(QStringLiteral("Database reset Error "), error.number,
                                                        error.description));
}

} // namespace qs::store
