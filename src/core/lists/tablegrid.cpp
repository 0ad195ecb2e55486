#include "core/lists/tablegrid.h"

#include <utility>

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "core/app/datasourcename.h"
#include "core/app/errorentry.h"
#include "core/app/operatorprompts.h"
#include "core/app/runfields.h"
#include "core/store/datasource.h"
#include "core/store/gridmodel.h"

namespace qs::lists {

using store::DbError;
using store::GridModel;

TableGrid::TableGrid(const ListContext &context, GridTable table, QObject *parent)
    : QObject(parent)
    , m_context(context)
    , m_table(std::move(table))
{}

TableGrid::~TableGrid() = default;

bool TableGrid::load()
{
    const QString dsn = m_context.dataSourceName.refresh();
    // Reloading must not drop what the operator typed into a row not yet left.
    writePending();

    DbError error;
    QSqlDatabase db = m_context.dataSource.connection(dsn, &error);
    if (error.number == store::DataSourceNotFound) {
        m_context.prompts.showMessage(QStringLiteral("ODBC Drive not found"));
        return false;
    }

    auto model = std::make_unique<GridModel>(db, m_table.table, m_table.sortColumn);
    if (!error.failed() && !model->select()) {
        error = DbError::fromStatement(model->lastError());
        // A server that was restarted leaves the kept connection dead; a statement through the
        // data source opens it again, and the grid gets a second try.
        QSqlQuery probe;
        if (!m_context.dataSource.exec(dsn, probe, QStringLiteral("SELECT * FROM ") + m_table.table)
                 .failed()) {
            probe = QSqlQuery();
            model = std::make_unique<GridModel>(m_context.dataSource.connection(dsn, &error), m_table.table,
                                                m_table.sortColumn);
            if (!error.failed() && model->select())
                error = {};
            else if (!error.failed())
                error = DbError::fromStatement(model->lastError());
        }
    }
    if (error.failed()) {
        m_context.fields.append(app::Field::txtEtrap,
                                app::errorEntry(m_table.loadErrorPrefix, error.number, error.description));
        return false;
    }

    model->setRowCheck(m_table.check);
    connect(model.get(), &GridModel::writeFailed, this, &TableGrid::reportWriteFailure);
    // The view switches to the new model before the old one goes.
    const std::unique_ptr<GridModel> previous = std::exchange(m_model, std::move(model));
    emit modelChanged(m_model.get());
    return true;
}

void TableGrid::reportWriteFailure(const DbError &error)
{
    m_context.fields.append(app::Field::txtEtrap,
                            app::errorEntry(m_table.writeErrorPrefix, error.number, error.description));
    // The row goes back to what is stored; the operator looking at the grid learns why at once.
    m_context.prompts.showMessage(QStringLiteral("The row was not saved: ") + error.description);
}

bool TableGrid::writePending()
{
    return m_model == nullptr || m_model->writePending();
}

int TableGrid::addRow()
{
    return m_model == nullptr ? -1 : m_model->appendRow();
}

bool TableGrid::deleteRow(int row)
{
    if (m_model == nullptr || row < 0 || row >= m_model->rowCount())
        return false;
    const int column = m_model->fieldIndex(m_table.shownColumns.value(0));
    const QString shown = m_model->data(m_model->index(row, column)).toString();
    if (!m_model->isNewRow(row) && !m_context.prompts.confirm(m_table.deleteQuestion.arg(shown)))
        return false;
    return m_model->deleteRow(row);
}

} // namespace qs::lists
