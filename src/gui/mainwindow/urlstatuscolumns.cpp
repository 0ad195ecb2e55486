#include "gui/mainwindow/urlstatuscolumns.h"

#include <QSqlTableModel>

namespace qs::gui {

void UrlStatusColumns::setStatuses(QHash<qint64, store::UrlStatus> statuses)
{
    m_statuses = std::move(statuses);
    if (rowCount() > 0)
        emit dataChanged(index(0, sourceColumns()), index(rowCount() - 1, columnCount() - 1));
}

int UrlStatusColumns::sourceColumns() const
{
    return sourceModel() != nullptr ? sourceModel()->columnCount() : 0;
}

bool UrlStatusColumns::isAdded(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && index.column() >= sourceColumns();
}

int UrlStatusColumns::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || sourceModel() == nullptr ? 0 : sourceColumns() + AddedColumns;
}

QModelIndex UrlStatusColumns::index(int row, int column, const QModelIndex &parent) const
{
    if (column >= sourceColumns() && column < columnCount(parent) && row >= 0 && row < rowCount(parent))
        return createIndex(row, column);
    return QIdentityProxyModel::index(row, column, parent);
}

QModelIndex UrlStatusColumns::parent(const QModelIndex &child) const
{
    return isAdded(child) ? QModelIndex() : QIdentityProxyModel::parent(child);
}

QModelIndex UrlStatusColumns::sibling(int row, int column, const QModelIndex &idx) const
{
    return index(row, column, idx.parent());
}

QModelIndex UrlStatusColumns::mapToSource(const QModelIndex &proxyIndex) const
{
    return isAdded(proxyIndex) ? QModelIndex() : QIdentityProxyModel::mapToSource(proxyIndex);
}

QVariant UrlStatusColumns::data(const QModelIndex &index, int role) const
{
    if (!isAdded(index))
        return QIdentityProxyModel::data(index, role);
    if (role != Qt::DisplayRole)
        return {};
    const auto *table = qobject_cast<const QSqlTableModel *>(sourceModel());
    const int idColumn = table != nullptr ? table->fieldIndex(QStringLiteral("ID")) : -1;
    const QModelIndex idCell = sourceModel()->index(index.row(), idColumn);
    const auto found = m_statuses.constFind(idCell.data().toLongLong());
    if (idColumn < 0 || found == m_statuses.constEnd())
        return {};
    switch (index.column() - sourceColumns()) {
    case 0:
        return found->lastCheck.toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    case 1:
        return found->outcome;
    default:
        return found->failures;
    }
}

Qt::ItemFlags UrlStatusColumns::flags(const QModelIndex &index) const
{
    return isAdded(index) ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : QIdentityProxyModel::flags(index);
}

QVariant UrlStatusColumns::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= sourceColumns()) {
        static const QStringList names{QStringLiteral("LAST CHECK"), QStringLiteral("LAST OUTCOME"),
                                       QStringLiteral("FAILED RUNS")};
        return names.value(section - sourceColumns());
    }
    return QIdentityProxyModel::headerData(section, orientation, role);
}

} // namespace qs::gui
