#include "core/store/gridmodel.h"

#include <QScopedValueRollback>
#include <QSqlError>
#include <QSqlIndex>
#include <QSqlRecord>

#include "core/app/blanks.h"

namespace qs::store {
namespace {

bool sameValues(const QSqlRecord &a, const QSqlRecord &b)
{
    if (a.count() != b.count())
        return false;
    for (int i = 0; i < a.count(); ++i) {
        if (a.isNull(i) != b.isNull(i) || a.value(i) != b.value(i))
            return false;
    }
    return true;
}

} // namespace

GridModel::GridModel(const QSqlDatabase &db, const QString &table, const QString &sortColumn, QObject *parent)
    : QSqlTableModel(parent, db)
{
    setTable(table);
    setEditStrategy(OnRowChange);
    if (const int column = fieldIndex(sortColumn); !sortColumn.isEmpty() && column >= 0)
        setSort(column, Qt::AscendingOrder);
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    // PostgreSQL hands the column names over in lower case; show them as the tables spell them.
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < record().count())
        return record().fieldName(section).toUpper();
    return QSqlTableModel::headerData(section, orientation, role);
}

bool GridModel::pendingRowIsEmpty() const
{
    const QSqlRecord values = record(m_newRow);
    for (int i = 0; i < values.count(); ++i) {
        if (!values.isGenerated(i) || values.isNull(i))
            continue;
        const QVariant value = values.value(i);
        if (value.typeId() != QMetaType::QString || !app::isBlank(value.toString()))
            return false;
    }
    return true;
}

void GridModel::forgetPending()
{
    m_newRow = -1;
    m_reselect = false;
}

bool GridModel::submit()
{
    // Taking a row back or reading the table again makes the view move its current cell, and
    // the view hands the row over again when it does; that must not start a second write.
    if (m_busy || !isDirty())
        return true;
    const QScopedValueRollback busy(m_busy, true);
    // A row added and left without a value would only store the defaults (or fail on a table
    // whose every column is empty); the operator has changed their mind.
    if (m_newRow >= 0 && pendingRowIsEmpty()) {
        revertAll();
        forgetPending();
        return true;
    }
    if (m_rowCheck) {
        const int row = editedRow();
        const QSqlRecord stored = row == m_newRow ? QSqlRecord() : QSqlQueryModel::record(row);
        if (const DbError refusal = m_rowCheck(database(), record(row), stored); refusal.failed()) {
            refuse(refusal);
            return false;
        }
    }
    // Without a key the row is found again by its old values, which may match other rows as
    // well; only reading the whole table again shows what is really stored.
    const bool reselect = m_reselect || primaryKey().isEmpty();
    if (!QSqlTableModel::submit()) {
        refuse(DbError::fromStatement(lastError()));
        return false;
    }
    forgetPending();
    // A new row shows its key and defaults, and a deleted one disappears, only once re-read.
    if (reselect)
        select();
    return true;
}

int GridModel::editedRow() const
{
    if (m_newRow >= 0)
        return m_newRow;
    // Rows are written one at a time: at most one holds edits.
    for (int row = 0; row < rowCount(); ++row) {
        for (int column = 0; column < columnCount(); ++column) {
            if (isDirty(index(row, column)))
                return row;
        }
    }
    return -1;
}

void GridModel::refuse(const DbError &error)
{
    revertAll();
    forgetPending();
    emit writeFailed(error);
}

void GridModel::revert()
{
    if (m_busy)
        return;
    const QScopedValueRollback busy(m_busy, true);
    QSqlTableModel::revert();
    forgetPending();
}

bool GridModel::writePending()
{
    return submit();
}

int GridModel::appendRow()
{
    if (!writePending())
        return -1;
    // Appended after every row, not after the ones fetched so far.
    while (canFetchMore())
        fetchMore();
    const int row = rowCount();
    if (!insertRow(row))
        return -1;
    m_newRow = row;
    m_reselect = true;
    return row;
}

bool GridModel::deleteRow(int row)
{
    if (row < 0 || row >= rowCount())
        return false;
    if (row == m_newRow) {
        revertAll();
        forgetPending();
        return true;
    }
    bool rowIsPending = false;
    for (int column = 0; column < columnCount() && !rowIsPending; ++column)
        rowIsPending = isDirty(index(row, column));
    if (isDirty() && !rowIsPending) {
        // Another row is still being edited: write it first. Writing may read the table again,
        // so find the row to delete by its values afterwards.
        const QSqlRecord target = record(row);
        if (!writePending())
            return false;
        if (!sameValues(record(row), target)) {
            while (canFetchMore())
                fetchMore();
            row = -1;
            for (int candidate = 0; candidate < rowCount() && row < 0; ++candidate) {
                if (sameValues(record(candidate), target))
                    row = candidate;
            }
            if (row < 0)
                return false;
        }
    }
    m_reselect = true;
    // In this edit strategy removing a row deletes it from the table at once, through submit().
    const bool removed = removeRow(row);
    m_reselect = false;
    return removed;
}

} // namespace qs::store
