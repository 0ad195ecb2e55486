#include <limits>

#include <QAction>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include "windowworld.h"

using qs::app::Field;
using qs::gui::GridView;
using qs::test::Backend;
using qs::test::WindowWorld;
using namespace qs::test;

Q_DECLARE_METATYPE(qs::test::Backend)

namespace {

void addBackends()
{
    QTest::addColumn<Backend>("backend");
    QTest::newRow("sqlite") << Backend::Sqlite;
    QTest::newRow("postgresql") << Backend::Postgres;
}

const QString Url = QStringLiteral("URL");
const QString Scens = QStringLiteral("SCENS");
const QString Keywords = QStringLiteral("KEYWORDS");

} // namespace

#define WORLD(name, backend)                                                                                 \
    if ((backend) == Backend::Postgres && !qs::test::postgresAvailable())                                    \
        QSKIP("no PostgreSQL test server (run the test through ctest)");                                     \
    WindowWorld name(backend);                                                                               \
    QVERIFY2(name.db.isValid(), qPrintable(name.db.error()));                                                \
    QVERIFY(name.show())

// Editing the URL and keyword lists in their grids with the keyboard and the mouse.
class GridTest : public QObject
{
    Q_OBJECT
private slots:
    void urlGridShowsUrlAndSensitivityOnly_data() { addBackends(); }
    void urlGridShowsUrlAndSensitivityOnly();
    void enterWritesTheCellAtOnce_data() { addBackends(); }
    void enterWritesTheCellAtOnce();
    void leavingTheRowWritesIt();
    void sensitivityIsEditedAsANumber();
    void tabEditIsWrittenWhenTheGridIsReloaded();
    void editsAreWrittenWhenTheWindowCloses();
    void escapeGivesUpTheWholeRow();
    void refusedEditIsReportedAndTheStoredValueShown_data() { addBackends(); }
    void refusedEditIsReportedAndTheStoredValueShown();
    void insertKeyAddsAKeyword();
    void newUrlRowTakesTheTableDefaults_data() { addBackends(); }
    void newUrlRowTakesTheTableDefaults();
    void newRowGivenUpWithEscapeDisappears();
    void deleteKeyAsksAndDeletes();
    void missingDataSourceKeepsWhatTheGridShowed();
    void rowCommandsAreReachableWithoutTheMouse();
};

void GridTest::urlGridShowsUrlAndSensitivityOnly()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    QVERIFY(world.exec(QStringLiteral("INSERT INTO listen (URL, SCENS) VALUES ('http://a.example/', 10)")));
    QVERIFY(world.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES ('car')")));
    world.child<QPushButton>("cmdURL")->click();
    world.child<QPushButton>("cmdKWord")->click();

    auto *urls = world.urlGrid();
    QCOMPARE(urls->gridModel()->rowCount(), 1);
    QStringList shown;
    for (int column = 0; column < urls->gridModel()->columnCount(); ++column) {
        if (!urls->isColumnHidden(column))
            shown << urls->gridModel()->headerData(column, Qt::Horizontal).toString();
    }
    QCOMPARE(shown, (QStringList{Url, Scens}));
    QCOMPARE(textOf(urls, 0, Url), QStringLiteral("http://a.example/"));
    QCOMPARE(textOf(urls, 0, Scens), QStringLiteral("10"));

    auto *keywords = world.keywordGrid();
    shown.clear();
    for (int column = 0; column < keywords->gridModel()->columnCount(); ++column) {
        if (!keywords->isColumnHidden(column))
            shown << keywords->gridModel()->headerData(column, Qt::Horizontal).toString();
    }
    QCOMPARE(shown, QStringList{Keywords});
    QCOMPARE(world.state().text(Field::txtDB), world.db.name());
}

void GridTest::enterWritesTheCellAtOnce()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    QVERIFY(world.exec(QStringLiteral("INSERT INTO listen (URL) VALUES ('http://a.example/')")));
    QVERIFY(world.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES ('car')")));
    world.child<QPushButton>("cmdURL")->click();
    world.child<QPushButton>("cmdKWord")->click();
    auto *urls = world.urlGrid();
    QWidget *editor = typeIntoCell(urls, cellOf(urls, 0, Url), QStringLiteral("http://edited.example/æ"));
    QVERIFY(editor != nullptr);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(world.column(QStringLiteral("SELECT URL FROM listen")),
                 QStringList{QStringLiteral("http://edited.example/æ")});
    QCOMPARE(textOf(urls, 0, Url), QStringLiteral("http://edited.example/æ"));

    auto *keywords = world.keywordGrid();
    editor = typeIntoCell(keywords, cellOf(keywords, 0, Keywords), QStringLiteral("boat"));
    QVERIFY(editor != nullptr);
    QTest::keyClick(editor, Qt::Key_Enter);
    QTRY_COMPARE(world.column(QStringLiteral("SELECT KEYWORDS FROM keyword")),
                 QStringList{QStringLiteral("boat")});
    QCOMPARE(textOf(keywords, 0, Keywords), QStringLiteral("boat"));
    QCOMPARE(world.pane(), QString());
}

void GridTest::leavingTheRowWritesIt()
{
    WORLD(world, Backend::Sqlite);
    QVERIFY(world.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES ('apple'), ('boat'), ('car')")));
    world.child<QPushButton>("cmdKWord")->click();
    auto *keywords = world.keywordGrid();
    QTRY_VERIFY(keywords->isVisible());

    QVERIFY(typeIntoCell(keywords, cellOf(keywords, 0, Keywords), QStringLiteral("almond")) != nullptr);
    // Clicking another row leaves the edited one.
    const QRect other = keywords->visualRect(cellOf(keywords, 2, Keywords));
    QTest::mouseClick(keywords->viewport(), Qt::LeftButton, {}, other.center());
    QTRY_COMPARE(world.column(QStringLiteral("SELECT KEYWORDS FROM keyword ORDER BY KEYWORDS")),
                 (QStringList{QStringLiteral("almond"), QStringLiteral("boat"), QStringLiteral("car")}));

    // So does Tab, which goes on to the next row's keyword.
    QWidget *editor = typeIntoCell(keywords, cellOf(keywords, 1, Keywords), QStringLiteral("bean"));
    QVERIFY(editor != nullptr);
    QTest::keyClick(editor, Qt::Key_Tab);
    QTRY_COMPARE(world.column(QStringLiteral("SELECT KEYWORDS FROM keyword ORDER BY KEYWORDS")),
                 (QStringList{QStringLiteral("almond"), QStringLiteral("bean"), QStringLiteral("car")}));
    QCOMPARE(world.pane(), QString());
}

void GridTest::sensitivityIsEditedAsANumber()
{
    WORLD(world, Backend::Sqlite);
    QVERIFY(world.exec(QStringLiteral("INSERT INTO listen (URL, SCENS) VALUES ('http://a.example/', 50)")));
    world.child<QPushButton>("cmdURL")->click();
    auto *urls = world.urlGrid();
    QWidget *editor = typeIntoCell(urls, cellOf(urls, 0, Scens), QStringLiteral("120"));
    auto *spinBox = qobject_cast<QSpinBox *>(editor);
    QVERIFY(spinBox != nullptr);
    QCOMPARE(spinBox->minimum(), 0);
    QCOMPARE(spinBox->maximum(), std::numeric_limits<qint32>::max());
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(world.column(QStringLiteral("SELECT SCENS FROM listen")),
                 QStringList{QStringLiteral("120")});
}

void GridTest::tabEditIsWrittenWhenTheGridIsReloaded()
{
    WORLD(world, Backend::Sqlite);
    QVERIFY(world.exec(QStringLiteral("INSERT INTO listen (URL, SCENS) VALUES ('http://a.example/', 50)")));
    QVERIFY(world.exec(QStringLiteral("INSERT INTO listen (URL, SCENS) VALUES ('http://b.example/', 50)")));
    world.child<QPushButton>("cmdURL")->click();
    auto *urls = world.urlGrid();

    QWidget *editor = typeIntoCell(urls, cellOf(urls, 0, Url), QStringLiteral("http://tabbed.example/"));
    QVERIFY(editor != nullptr);
    // Tab hands the URL to the grid and opens the sensitivity of the same row: nothing is written yet.
    QTest::keyClick(editor, Qt::Key_Tab);
    QWidget *sensitivity = openEditor(urls);
    QVERIFY(qobject_cast<QSpinBox *>(sensitivity) != nullptr);
    QTest::keyClick(sensitivity, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(sensitivity, QStringLiteral("7"));
    QCOMPARE(world.column(QStringLiteral("SELECT URL FROM listen ORDER BY ID")).value(0),
             QStringLiteral("http://a.example/"));

    world.child<QPushButton>("cmdURL")->click();
    QCOMPARE(world.db.rows(QStringLiteral("SELECT URL, SCENS FROM listen ORDER BY ID")).value(0),
             (QVariantList{QStringLiteral("http://tabbed.example/"), 7}));
    QCOMPARE(textOf(urls, 0, Url), QStringLiteral("http://tabbed.example/"));
    QCOMPARE(world.pane(), QString());
}

void GridTest::editsAreWrittenWhenTheWindowCloses()
{
    WORLD(world, Backend::Sqlite);
    QVERIFY(world.exec(QStringLiteral("INSERT INTO listen (URL, SCENS) VALUES ('http://a.example/', 50)")));
    QVERIFY(world.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES ('car')")));
    world.child<QPushButton>("cmdURL")->click();
    world.child<QPushButton>("cmdKWord")->click();
    auto *urls = world.urlGrid();
    QWidget *editor = typeIntoCell(urls, cellOf(urls, 0, Url), QStringLiteral("http://closing.example/"));
    QTest::keyClick(editor, Qt::Key_Tab);
    auto *keywords = world.keywordGrid();
    // The keyword is still in its open editor when the window closes.
    QVERIFY(typeIntoCell(keywords, cellOf(keywords, 0, Keywords), QStringLiteral("lorry")) != nullptr);

    QVERIFY(world.window->close());
    QCOMPARE(world.column(QStringLiteral("SELECT URL FROM listen")),
             QStringList{QStringLiteral("http://closing.example/")});
    QCOMPARE(world.column(QStringLiteral("SELECT KEYWORDS FROM keyword")),
             QStringList{QStringLiteral("lorry")});
}

void GridTest::escapeGivesUpTheWholeRow()
{
    WORLD(world, Backend::Sqlite);
    QVERIFY(world.exec(QStringLiteral("INSERT INTO listen (URL, SCENS) VALUES ('http://a.example/', 50)")));
    world.child<QPushButton>("cmdURL")->click();
    auto *urls = world.urlGrid();
    QWidget *editor = typeIntoCell(urls, cellOf(urls, 0, Url), QStringLiteral("http://dropped.example/"));
    QTest::keyClick(editor, Qt::Key_Tab);
    QTest::keyClick(openEditor(urls), Qt::Key_Escape);
    QCOMPARE(textOf(urls, 0, Url), QStringLiteral("http://a.example/"));
    world.child<QPushButton>("cmdURL")->click();
    QCOMPARE(world.column(QStringLiteral("SELECT URL FROM listen")),
             QStringList{QStringLiteral("http://a.example/")});
}

void GridTest::refusedEditIsReportedAndTheStoredValueShown()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    QVERIFY(world.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES ('boat')")));
    QVERIFY(world.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES ('car')")));
    world.child<QPushButton>("cmdKWord")->click();
    auto *keywords = world.keywordGrid();
    const int boat = rowWith(keywords, Keywords, QStringLiteral("boat"));
    QWidget *editor = typeIntoCell(keywords, cellOf(keywords, boat, Keywords), QStringLiteral("car"));
    QTest::keyClick(editor, Qt::Key_Return);

    auto *errors = world.child<QPlainTextEdit>("txtEtrap");
    QTRY_VERIFY(errors->toPlainText().startsWith(QStringLiteral("Keyword edit Error ")));
    QVERIFY(errors->toPlainText().endsWith(QStringLiteral("16\n")));
    QCOMPARE(textOf(keywords, boat, Keywords), QStringLiteral("boat"));
    QCOMPARE(world.column(QStringLiteral("SELECT KEYWORDS FROM keyword ORDER BY KEYWORDS")),
             (QStringList{QStringLiteral("boat"), QStringLiteral("car")}));
    QVERIFY(!keywords->gridModel()->isDirty());
    // The grid goes on working.
    editor = typeIntoCell(keywords, cellOf(keywords, boat, Keywords), QStringLiteral("bus"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(world.column(QStringLiteral("SELECT KEYWORDS FROM keyword ORDER BY KEYWORDS")),
                 (QStringList{QStringLiteral("bus"), QStringLiteral("car")}));
}

void GridTest::insertKeyAddsAKeyword()
{
    WORLD(world, Backend::Sqlite);
    QVERIFY(world.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES ('car')")));
    world.child<QPushButton>("cmdKWord")->click();
    auto *keywords = world.keywordGrid();
    keywords->setFocus();
    QTest::keyClick(keywords, Qt::Key_Insert);
    QWidget *editor = openEditor(keywords);
    QVERIFY(editor != nullptr);
    QCOMPARE(keywords->gridModel()->rowCount(), 2);
    QCOMPARE(keywords->currentIndex().row(), 1);
    QTest::keyClicks(editor, QStringLiteral("zebra"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(world.column(QStringLiteral("SELECT KEYWORDS FROM keyword ORDER BY KEYWORDS")),
                 (QStringList{QStringLiteral("car"), QStringLiteral("zebra")}));
    QCOMPARE(keywords->gridModel()->rowCount(), 2);
    QVERIFY(rowWith(keywords, Keywords, QStringLiteral("zebra")) >= 0);
}

void GridTest::newUrlRowTakesTheTableDefaults()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    QVERIFY(world.exec(QStringLiteral("INSERT INTO listen (URL, SCENS) VALUES ('http://a.example/', 10)")));
    world.child<QPushButton>("cmdURL")->click();
    auto *urls = world.urlGrid();
    world.child<QToolButton>("cmdUrlNew")->click();
    QWidget *editor = openEditor(urls);
    QVERIFY(editor != nullptr);
    QTest::keyClicks(editor, QStringLiteral("http://new.example/"));
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(world.db.count(QStringLiteral("listen")), 2);
    const QVariantList row =
        world.db
            .rows(QStringLiteral("SELECT DAGEN, TAL, SCENS FROM listen WHERE URL = 'http://new.example/'"))
            .value(0);
    QCOMPARE(row.value(0).toDate(), QDate(2003, 1, 1));
    QCOMPARE(row.value(1).toInt(), 0);
    QCOMPARE(row.value(2).toInt(), 50);
    // Read back, the new row shows its sensitivity.
    const int shown = rowWith(urls, Url, QStringLiteral("http://new.example/"));
    QVERIFY(shown >= 0);
    QCOMPARE(textOf(urls, shown, Scens), QStringLiteral("50"));
    QCOMPARE(world.pane(), QString());
    // Read back, the grid still shows its two columns, the URL taking the room.
    const int urlColumn = urls->gridModel()->fieldIndex(Url);
    QVERIFY(!urls->isColumnHidden(urlColumn));
    QVERIFY(urls->isColumnHidden(urls->gridModel()->fieldIndex(QStringLiteral("DAGEN"))));
    QCOMPARE(urls->horizontalHeader()->sectionResizeMode(urlColumn), QHeaderView::Stretch);
}

void GridTest::newRowGivenUpWithEscapeDisappears()
{
    WORLD(world, Backend::Sqlite);
    QVERIFY(world.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES ('car')")));
    world.child<QPushButton>("cmdKWord")->click();
    auto *keywords = world.keywordGrid();
    keywords->setFocus();
    QTest::keyClick(keywords, Qt::Key_Insert);
    QTest::keyClicks(openEditor(keywords), QStringLiteral("half"));
    QTest::keyClick(openEditor(keywords), Qt::Key_Escape);
    QCOMPARE(keywords->gridModel()->rowCount(), 1);

    // Left empty, it goes as well, and nothing is reported.
    QTest::keyClick(keywords, Qt::Key_Insert);
    QVERIFY(openEditor(keywords) != nullptr);
    const QRect first = keywords->visualRect(cellOf(keywords, 0, Keywords));
    QTest::mouseClick(keywords->viewport(), Qt::LeftButton, {}, first.center());
    QTRY_COMPARE(keywords->gridModel()->rowCount(), 1);
    QCOMPARE(world.db.count(QStringLiteral("keyword")), 1);
    QCOMPARE(world.pane(), QString());
}

void GridTest::deleteKeyAsksAndDeletes()
{
    WORLD(world, Backend::Sqlite);
    QVERIFY(world.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES ('boat'), ('car')")));
    world.child<QPushButton>("cmdKWord")->click();
    auto *keywords = world.keywordGrid();
    keywords->setFocus();
    keywords->setCurrentIndex(
        cellOf(keywords, rowWith(keywords, Keywords, QStringLiteral("boat")), Keywords));

    world.prompts->confirmAnswer = false;
    QTest::keyClick(keywords, Qt::Key_Delete);
    QCOMPARE(world.prompts->confirmations,
             QStringList{QStringLiteral("Delete the keyword boat from the list?")});
    QCOMPARE(world.db.count(QStringLiteral("keyword")), 2);

    world.prompts->confirmAnswer = true;
    QTest::keyClick(keywords, Qt::Key_Delete);
    QCOMPARE(world.column(QStringLiteral("SELECT KEYWORDS FROM keyword")),
             QStringList{QStringLiteral("car")});
    QCOMPARE(keywords->gridModel()->rowCount(), 1);
    QCOMPARE(textOf(keywords, 0, Keywords), QStringLiteral("car"));

    // In an open editor the key deletes text, not the row.
    QWidget *editor = typeIntoCell(keywords, cellOf(keywords, 0, Keywords), QStringLiteral("cars"));
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClick(editor, Qt::Key_Delete);
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(world.column(QStringLiteral("SELECT KEYWORDS FROM keyword")),
                 QStringList{QStringLiteral("ars")});
    QCOMPARE(world.prompts->confirmations.size(), 2);
}

void GridTest::missingDataSourceKeepsWhatTheGridShowed()
{
    WORLD(world, Backend::Sqlite);
    QVERIFY(world.exec(QStringLiteral("INSERT INTO listen (URL) VALUES ('http://a.example/')")));
    QVERIFY(world.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES ('car')")));
    world.child<QPushButton>("cmdURL")->click();
    world.child<QPushButton>("cmdKWord")->click();
    world.settings.write(qs::app::keys::Dsn, QStringLiteral("qs_no_such_source"));
    world.child<QPushButton>("cmdURL")->click();
    world.child<QPushButton>("cmdKWord")->click();
    QCOMPARE(world.prompts->messages, QStringList(2, QStringLiteral("ODBC Drive not found")));
    QCOMPARE(textOf(world.child<GridView>("DataGrid2"), 0, Url), QStringLiteral("http://a.example/"));
    QCOMPARE(textOf(world.child<GridView>("DataGrid1"), 0, Keywords), QStringLiteral("car"));
    QCOMPARE(world.state().text(Field::txtDB), QStringLiteral("qs_no_such_source"));
}

void GridTest::rowCommandsAreReachableWithoutTheMouse()
{
    WORLD(world, Backend::Sqlite);
    for (const char *name : {"DataGrid1", "DataGrid2"}) {
        auto *grid = world.child<GridView>(name);
        QVERIFY(grid->focusPolicy() & Qt::TabFocus);
        QCOMPARE(grid->addRowAction()->shortcut(), QKeySequence(Qt::Key_Insert));
        QCOMPARE(grid->deleteRowAction()->shortcut(), QKeySequence(Qt::Key_Delete));
        QCOMPARE(grid->contextMenuPolicy(), Qt::DefaultContextMenu);
        // Nothing to add to or delete from before a list is loaded.
        QVERIFY(!grid->addRowAction()->isEnabled());
        QVERIFY(!grid->deleteRowAction()->isEnabled());
    }
    for (const char *name : {"cmdKeywordNew", "cmdKeywordDelete", "cmdUrlNew", "cmdUrlDelete"}) {
        auto *button = world.child<QToolButton>(name);
        QVERIFY2(button != nullptr, name);
        QVERIFY(button->focusPolicy() & Qt::TabFocus);
        QVERIFY(!button->text().isEmpty());
    }
    QVERIFY(world.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES ('car')")));
    world.child<QPushButton>("cmdKWord")->click();
    auto *keywords = world.keywordGrid();
    QVERIFY(keywords->addRowAction()->isEnabled());
    keywords->setCurrentIndex(cellOf(keywords, 0, Keywords));
    QVERIFY(keywords->deleteRowAction()->isEnabled());
    QVERIFY(world.child<QToolButton>("cmdKeywordDelete")->isEnabled());
}

QTEST_MAIN(GridTest)
#include "tst_grids.moc"
