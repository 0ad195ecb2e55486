#pragma once

#include <QStringList>
#include <QTableView>

class QAction;

namespace qs::store {
class GridModel;
}

namespace qs::gui {

// A data grid over one table: shows the model's chosen columns, hands each row to the model
// when the operator leaves it, and offers adding and deleting rows from the keyboard (Insert,
// Delete), from its context menu and through its two actions.
class GridView : public QTableView
{
    Q_OBJECT
public:
    explicit GridView(QWidget *parent = nullptr);

    // Shows model with only the named columns (found by name in any letter case), through
    // `shown` when given: a proxy with the same rows and columns, and more columns after them,
    // which stay on view. The previous model's selection model is deleted; the previous model
    // itself belongs to the core.
    void showGridModel(store::GridModel *model, const QStringList &columns,
                       QAbstractItemModel *shown = nullptr);
    store::GridModel *gridModel() const { return m_model; }

    // Puts the text of a cell editor still open into the model, so that a reload or closing the
    // window writes it like any other pending edit.
    void commitOpenEditor();

    QAction *addRowAction() const { return m_addRow; }
    QAction *deleteRowAction() const { return m_deleteRow; }

    // Moves to row (the first shown column) and opens its editor.
    void editRow(int row);

signals:
    void addRowRequested();
    void deleteRowRequested(int row);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void showChosenColumns();
    void rememberCurrent();
    void restoreCurrent();
    void updateActions();

    store::GridModel *m_model = nullptr;
    QStringList m_columns;
    QAction *m_addRow = nullptr;
    QAction *m_deleteRow = nullptr;
    int m_rememberedRow = -1;
    int m_rememberedColumn = -1;
};

} // namespace qs::gui
