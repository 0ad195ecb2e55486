#include "gui/mainwindow/gridview.h"

#include <algorithm>

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>

#include "core/store/gridmodel.h"

namespace qs::gui {

GridView::GridView(QWidget *parent)
    : QTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAlternatingRowColors(true);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);

    // Only while the grid itself has the focus: in an open cell editor the keys edit the text.
    m_addRow = new QAction(QStringLiteral("New row"), this);
    m_addRow->setObjectName(QStringLiteral("actionNewRow"));
    m_addRow->setShortcut(QKeySequence(Qt::Key_Insert));
    m_addRow->setShortcutContext(Qt::WidgetShortcut);
    m_deleteRow = new QAction(QStringLiteral("Delete row"), this);
    m_deleteRow->setObjectName(QStringLiteral("actionDeleteRow"));
    m_deleteRow->setShortcut(QKeySequence(Qt::Key_Delete));
    m_deleteRow->setShortcutContext(Qt::WidgetShortcut);
    addAction(m_addRow);
    addAction(m_deleteRow);
    connect(m_addRow, &QAction::triggered, this, &GridView::addRowRequested);
    connect(m_deleteRow, &QAction::triggered, this, [this] {
        if (currentIndex().isValid())
            emit deleteRowRequested(currentIndex().row());
    });
    updateActions();
}

void GridView::showGridModel(store::GridModel *model, const QStringList &columns, QAbstractItemModel *shown)
{
    if (m_model != nullptr)
        disconnect(m_model, nullptr, this, nullptr);
    QItemSelectionModel *previousSelection = selectionModel();
    m_model = model;
    m_columns = columns;
    setModel(model != nullptr && shown != nullptr ? shown : model);
    // The view made the old selection model and leaves it behind on a new model.
    if (previousSelection != nullptr && previousSelection != selectionModel() &&
        previousSelection->parent() == this)
        delete previousSelection;
    if (model != nullptr) {
        // The view hands a row over itself when the operator leaves it (currentChanged), so that
        // stepping onto a row just added is not taken for leaving one.
        disconnect(selectionModel(), SIGNAL(currentRowChanged(QModelIndex, QModelIndex)), this->model(),
                   SLOT(submit()));
        connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &GridView::rememberCurrent);
        connect(model, &QAbstractItemModel::modelReset, this, &GridView::restoreCurrent);
        connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &GridView::updateActions);
    }
    showChosenColumns();
    updateActions();
}

void GridView::showChosenColumns()
{
    if (m_model == nullptr)
        return;
    for (int column = 0; column < m_model->columnCount(); ++column)
        setColumnHidden(column, true);
    // The first column (the URL, the keyword) takes the room; a number needs only a few digits.
    QHeaderView *header = horizontalHeader();
    header->setStretchLastSection(false);
    for (const QString &name : std::as_const(m_columns)) {
        const int column = m_model->fieldIndex(name);
        if (column < 0)
            continue;
        setColumnHidden(column, false);
        header->setSectionResizeMode(column, name == m_columns.first() ? QHeaderView::Stretch
                                                                       : QHeaderView::ResizeToContents);
    }
}

void GridView::commitOpenEditor()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    // Cell editors are children of the viewport; committing anything else there does nothing.
    const QList<QWidget *> children = viewport()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *editor : children) {
        // An editor already closed is hidden and waits for its deletion.
        if (!editor->isHidden()) {
            commitData(editor);
            // Closed here, the editor cannot hand in its text a second time when it loses the
            // focus after the model it belonged to is gone.
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
}

void GridView::editRow(int row)
{
    if (m_model == nullptr || row < 0)
        return;
    const QModelIndex index = model()->index(row, std::max(0, m_model->fieldIndex(m_columns.value(0))));
    setCurrentIndex(index);
    scrollTo(index);
    setFocus(Qt::OtherFocusReason);
    edit(index);
}

void GridView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (m_model != nullptr && previous.isValid() && current.row() != previous.row() &&
        !m_model->isNewRow(current.row()))
        m_model->submit();
}

void GridView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    menu.addAction(m_addRow);
    menu.addAction(m_deleteRow);
    // Opened from the keyboard (the menu key), the menu appears at the current cell.
    const QPoint where = event->reason() == QContextMenuEvent::Mouse
                             ? event->globalPos()
                             : viewport()->mapToGlobal(visualRect(currentIndex()).bottomLeft());
    menu.exec(where);
}

void GridView::rememberCurrent()
{
    const QModelIndex current = currentIndex();
    m_rememberedRow = current.row();
    m_rememberedColumn = current.column();
}

void GridView::restoreCurrent()
{
    // Reading the table again resets the header, and with it the hidden columns.
    showChosenColumns();
    const int row = std::min(m_rememberedRow, m_model->rowCount() - 1);
    if (m_rememberedRow >= 0 && row >= 0)
        setCurrentIndex(model()->index(row, m_rememberedColumn));
    m_rememberedRow = -1;
    updateActions();
}

void GridView::updateActions()
{
    m_addRow->setEnabled(m_model != nullptr);
    m_deleteRow->setEnabled(m_model != nullptr && currentIndex().isValid());
}

} // namespace qs::gui
