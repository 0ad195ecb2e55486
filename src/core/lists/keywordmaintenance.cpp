#include "core/lists/keywordmaintenance.h"

#include <QSqlQuery>

#include "core/app/datasourcename.h"
#include "core/app/errorentry.h"
#include "core/app/operatorprompts.h"
#include "core/app/runstate.h"
#include "core/store/datasource.h"
#include "core/store/statements.h"

namespace qs::store {

namespace {

GridTable keywordTable()
{
    GridTable table;
    table.table = QStringLiteral("keyword");
    table.shownColumns = QStringList{QStringLiteral("KEYWORDS")};
    // The table has no key: sorted, a keyword keeps a predictable place after it is written.
    table.sortColumn = QStringLiteral("KEYWORDS");
    table.loadErrorPrefix = QStringLiteral("Keyword load Error ");
    table.writeErrorPrefix = QStringLiteral("Keyword edit Error ");
    table.deleteQuestion = QStringLiteral("Delete the keyword %1 from the list?");
    return table;
}

} // namespace

KeywordMaintenance::KeywordMaintenance(app::RunState &state, const app::SettingsStore &settings,
                                       DataSource &dataSource, app::OperatorPrompts &prompts, QObject *parent)
    : ListCommands(state, settings, dataSource, prompts, keywordTable(), parent)
{}

void KeywordMaintenance::cmdKWordClick()
{
    m_grid.load();
}

void KeywordMaintenance::cmdWordClick()
{
    const QString dsn = app::refreshDataSourceName(m_state, m_settings);
    if (!m_prompts.confirm(QStringLiteral("All the keywords found at scanning will be deleted!")))
        return;

    QSqlQuery query;
    const DbError error = m_dataSource.exec(dsn, query, sql::deleteAllHits);
    if (!error.failed())
        return;
    m_state.append(app::Field::txtEtrap,
                   app::errorEntry(QStringLiteral("Delete Error "), error.number, error.description));
    // Nothing was deleted: the operator must not be told otherwise.
    m_prompts.showMessage(
        QStringLiteral("The keywords found at scanning were not deleted: there was an error"));
}

} // namespace qs::store
