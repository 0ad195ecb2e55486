#pragma once

#include <memory>

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QApplication>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "core/app/runfields.h"
#include "core/app/settingsstore.h"
#include "core/engine.h"
#include "core/store/gridmodel.h"
#include "fakeclock.h"
#include "gui/mainwindow/gridview.h"
#include "gui/mainwindow/mainwindow.h"
#include "recordingprompts.h"
#include "testdatasource.h"

namespace qs::test {

// The real window over a real engine, with a data source of its own and recorded prompts.
struct WindowWorld
{
    // FirstStart: nothing stored yet and the daily timer on, as on the operator's first start.
    enum class Start
    {
        WithDataSource,
        FirstStart
    };

    explicit WindowWorld(Backend backend = Backend::Sqlite, Start start = Start::WithDataSource)
        : db(backend)
    {
        Engine::Options options;
        options.withScheduler = start == Start::FirstStart;
        options.withMail = false;
        options.requestTimeout = std::chrono::seconds(3);
        if (start == Start::WithDataSource)
            settings.write(app::keys::Dsn, db.name());
        engine = std::make_unique<Engine>(settings, prompts, clock, options);
        window = std::make_unique<gui::MainWindow>(*engine, prompts);
        engine->load();
    }

    template <typename T> T *child(const QString &name) const { return window->findChild<T *>(name); }
    template <typename T> T *child(const char *name) const { return child<T>(QString::fromLatin1(name)); }

    void click(const char *button) { child<QAbstractButton>(button)->click(); }

    // Shows the window with the focus in it, as the operator has it.
    bool show()
    {
        window->show();
        window->activateWindow();
        return QTest::qWaitForWindowActive(window.get());
    }

    // The grids on their tabs, brought to the front as the operator would.
    gui::GridView *keywordGrid() { return gridOnTab("DataGrid1", 4); }
    gui::GridView *urlGrid() { return gridOnTab("DataGrid2", 5); }
    gui::GridView *gridOnTab(const char *name, int tab)
    {
        child<QTabWidget>("SSTab1")->setCurrentIndex(tab);
        return child<gui::GridView>(name);
    }

    app::RunFields &state() { return engine->fields(); }
    const QString &pane() { return state().text(app::Field::txtEtrap); }

    QStringList urlsStored() { return db.strings(QStringLiteral("SELECT URL FROM listen ORDER BY ID")); }
    QStringList keywordsStored()
    {
        return db.strings(QStringLiteral("SELECT KEYWORDS FROM keyword ORDER BY KEYWORDS"));
    }

    QTemporaryDir dir;
    TestDataSource db;
    app::SettingsStore settings{dir.filePath(QStringLiteral("settings.conf"))};
    FakeClock clock{QDateTime(QDate(2026, 12, 6), QTime(10, 15))};
    RecordingPrompts prompts;
    std::unique_ptr<Engine> engine;
    std::unique_ptr<gui::MainWindow> window; // goes first: it uses the engine
};

// The cell of a grid by row and column name.
inline QModelIndex cellOf(gui::GridView *grid, int row, const QString &column)
{
    // As the view shows it, through whatever it shows the table with.
    return grid->model()->index(row, grid->gridModel()->fieldIndex(column));
}

inline QString textOf(gui::GridView *grid, int row, const QString &column)
{
    return cellOf(grid, row, column).data().toString();
}

inline int rowWith(gui::GridView *grid, const QString &column, const QString &text)
{
    for (int row = 0; row < grid->gridModel()->rowCount(); ++row) {
        if (textOf(grid, row, column) == text)
            return row;
    }
    return -1;
}

// The cell editor open in grid, if any.
inline QWidget *openEditor(gui::GridView *grid)
{
    const QList<QWidget *> children = grid->viewport()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children) {
        if (child->isVisible())
            return child;
    }
    return nullptr;
}

// Steps onto the cell with the keyboard's F2, replaces its text by typing and returns the editor,
// still open.
inline QWidget *typeIntoCell(gui::GridView *grid, const QModelIndex &cell, const QString &text)
{
    grid->setFocus();
    grid->setCurrentIndex(cell);
    QTest::keyClick(grid, Qt::Key_F2);
    QWidget *editor = openEditor(grid);
    if (editor == nullptr)
        return nullptr;
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClicks(editor, text);
    return editor;
}

} // namespace qs::test
