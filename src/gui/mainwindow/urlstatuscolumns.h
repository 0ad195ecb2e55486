#pragma once

#include <QHash>
#include <QIdentityProxyModel>

#include "core/store/urlstatus.h"

namespace qs::gui {

// The URL grid's rows with three read-only columns after the table's own: the last check, its
// outcome and how many runs in a row failed, found by the row's ID. The rows themselves stay
// those of the listen table, edited through the source model.
class UrlStatusColumns final : public QIdentityProxyModel
{
    Q_OBJECT
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    void setStatuses(QHash<qint64, store::UrlStatus> statuses);

    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex index(int row, int column, const QModelIndex &parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    QModelIndex sibling(int row, int column, const QModelIndex &index) const override;
    QModelIndex mapToSource(const QModelIndex &proxyIndex) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    static constexpr int AddedColumns = 3;
    int sourceColumns() const;
    bool isAdded(const QModelIndex &index) const;

    QHash<qint64, store::UrlStatus> m_statuses;
};

} // namespace qs::gui
