#pragma once

#include <memory>

#include <QObject>
#include <QStringList>

#include "core/lists/listcontext.h"
#include "core/store/dberror.h"
#include "core/store/gridmodel.h"

namespace qs::lists {

// What the grid of one table shows and how its failures are reported.
struct GridTable
{
    QString table;
    QStringList shownColumns; // in this order; the others stay out of sight
    QString sortColumn;      // keeps the rows in place between writes; empty: as the data source returns them
    QString loadErrorPrefix; // error entry when the table cannot be read
    QString writeErrorPrefix;         // error entry when a row cannot be written
    QString deleteQuestion;           // asked before a row is deleted; %1 is the row's first shown value
    store::GridModel::RowCheck check; // looks at a row before it is written (may be empty)
};

// The grid of one table: the load command that (re)binds it and the rows the operator adds,
// edits and deletes in it. The model lives here, in the core; a view only shows it.
class TableGrid : public QObject
{
    Q_OBJECT
public:
    TableGrid(const ListContext &context, GridTable table, QObject *parent = nullptr);
    ~TableGrid() override;

    // The load command: re-reads the data-source name, opens it and shows the whole table in a
    // new model. The row still being edited in the old one is written first. When the data
    // source cannot be opened or read, the grid goes on showing what it showed.
    bool load();

    // The model the grid shows; null until the first load succeeded.
    store::GridModel *model() const { return m_model.get(); }
    const GridTable &table() const { return m_table; }

    // Writes the row still being edited, as when the operator leaves it.
    bool writePending();
    // A new row at the end for the operator to fill in; -1 when there is none.
    int addRow();
    // Asks, then deletes the row from the table.
    bool deleteRow(int row);

signals:
    // The grid is to show this model from now on; the previous one is deleted after the signal.
    void modelChanged(qs::store::GridModel *model);

private:
    void reportWriteFailure(const store::DbError &error);

    ListContext m_context;
    GridTable m_table;
    std::unique_ptr<store::GridModel> m_model;
};

} // namespace qs::lists
