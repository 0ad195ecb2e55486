#pragma once

#include <functional>

#include <QSqlTableModel>

#include "core/store/dberror.h"

namespace qs::store {

// One table of the data source as the operator edits it in a grid.
//
// Each row is written when the operator leaves it (or presses Enter in a cell). A row that the
// data source refuses is reported through writeFailed() and taken back, so the grid never goes
// on showing a value that is not stored. A new row sets only the cells the operator fills in;
// every other column takes the table's default.
class GridModel final : public QSqlTableModel
{
    Q_OBJECT
public:
    // sortColumn orders the rows so that they keep their places after a write (PostgreSQL, for
    // one, returns a row it has just updated last); empty keeps the data source's order.
    GridModel(const QSqlDatabase &db, const QString &table, const QString &sortColumn,
              QObject *parent = nullptr);

    // Looks at a row before it is written to the model's database: the row as edited and as it
    // was read (empty for a new row). A refusal is reported as a failed write, and the row shows
    // what is stored again.
    using RowCheck =
        std::function<DbError(const QSqlDatabase &db, const QSqlRecord &edited, const QSqlRecord &stored)>;
    void setRowCheck(RowCheck check) { m_rowCheck = std::move(check); }

    // Writes the row still being edited. True when nothing was pending or the write succeeded.
    bool writePending();
    // Appends an empty row for the operator to fill in, after writing the pending one.
    // Returns its row number, or -1 when the pending row could not be written.
    int appendRow();
    // Deletes one row from the table at once, after writing the pending one.
    bool deleteRow(int row);
    // Whether row is the appended one, not written yet.
    bool isNewRow(int row) const { return row >= 0 && row == m_newRow; }

    // The view hands over the edited row here when the operator leaves it (or presses Enter).
    bool submit() override;
    // The view gives up the edited row here (Escape).
    void revert() override;

    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    // A write that the data source refused; the row shows what is stored again.
    void writeFailed(const qs::store::DbError &error);

private:
    bool pendingRowIsEmpty() const;
    void forgetPending();
    int editedRow() const;
    void refuse(const DbError &error);

    RowCheck m_rowCheck;
    int m_newRow = -1;       // the appended row, until it is written or given up
    bool m_reselect = false; // rows were added or removed: read the table again after writing
    bool m_busy = false;     // inside submit() or revert()
};

} // namespace qs::store
