#include <limits>

#include <QAction>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>

#include "windowworld.h"

using namespace Qt::StringLiterals;
using namespace qs::test;
using qs::gui::GridView;

namespace {

const QString Url = u"URL"_s;
const QString Scens = u"SCENS"_s;
const QString Keywords = u"KEYWORDS"_s;

// Two URLs and two keywords, loaded into the grids with their buttons.
bool loadLists(WindowWorld &world)
{
    const bool ok =
        world.db.exec(
            u"INSERT INTO listen (URL, SCENS) VALUES ('http://a.example/', 10), ('http://b.example/', 50)"_s) &&
        world.db.exec(u"INSERT INTO keyword (KEYWORDS) VALUES ('boat'), ('car')"_s);
    world.click("cmdURL");
    world.click("cmdKWord");
    return ok;
}

// Types text into the cell, as typeIntoCell does, and ends the edit with key.
bool typeAndPress(GridView *grid, const QModelIndex &cell, const QString &text, Qt::Key key)
{
    QWidget *editor = typeIntoCell(grid, cell, text);
    if (editor != nullptr)
        QTest::keyClick(editor, key);
    return editor != nullptr;
}

void clickOn(GridView *grid, const QModelIndex &cell)
{
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(cell).center());
}

} // namespace

// The window shown, with the two lists loaded. The name declares a variable, so it cannot be
// parenthesised.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define WORLD(name, backend)                                                                                 \
    if ((backend) == Backend::Postgres && !qs::test::postgresAvailable())                                    \
        QSKIP("no PostgreSQL test server (run the test through ctest)");                                     \
    WindowWorld name(backend);                                                                               \
    QVERIFY2(name.db.isValid(), qPrintable(name.db.error()));                                                \
    QVERIFY(name.show());                                                                                    \
    QVERIFY(loadLists(name))

#define BACKEND_WORLD(name)                                                                                  \
    QFETCH(Backend, backend);                                                                                \
    WORLD(name, backend)
// NOLINTEND(bugprone-macro-parentheses)

// Editing the URL and keyword lists in their grids with the keyboard and the mouse.
class GridTest : public QObject
{
    Q_OBJECT
private slots:
    void enterWritesTheCellAtOnce_data() { addBackendRows(); }
    void enterWritesTheCellAtOnce()
    {
        BACKEND_WORLD(world);
        auto *urls = world.urlGrid();
        QVERIFY(typeAndPress(urls, cellOf(urls, 0, Url), u"http://edited.example/æ"_s, Qt::Key_Return));
        QTRY_COMPARE(world.urlsStored().value(0), u"http://edited.example/æ"_s);
        QCOMPARE(textOf(urls, 0, Url), u"http://edited.example/æ"_s);

        auto *keywords = world.keywordGrid();
        QVERIFY(typeAndPress(keywords, cellOf(keywords, 1, Keywords), u"lorry"_s, Qt::Key_Enter));
        QTRY_COMPARE(world.keywordsStored(), (QStringList{u"boat"_s, u"lorry"_s}));
        QCOMPARE(textOf(keywords, 1, Keywords), u"lorry"_s);
        QCOMPARE(world.pane(), QString());
    }

    void leavingTheRowWritesIt()
    {
        WORLD(world, Backend::Sqlite);
        auto *keywords = world.keywordGrid();
        QTRY_VERIFY(keywords->isVisible());
        QVERIFY(typeIntoCell(keywords, cellOf(keywords, 0, Keywords), u"bean"_s) != nullptr);
        // Clicking another row leaves the edited one.
        clickOn(keywords, cellOf(keywords, 1, Keywords));
        QTRY_COMPARE(world.keywordsStored(), (QStringList{u"bean"_s, u"car"_s}));

        // So does Tab, which goes on to the next row's keyword.
        QVERIFY(typeAndPress(keywords, cellOf(keywords, 0, Keywords), u"ant"_s, Qt::Key_Tab));
        QTRY_COMPARE(world.keywordsStored(), (QStringList{u"ant"_s, u"car"_s}));
        QCOMPARE(world.pane(), QString());
    }

    void tabEditIsWrittenWhenTheGridIsReloaded()
    {
        WORLD(world, Backend::Sqlite);
        auto *urls = world.urlGrid();
        // Tab hands the URL to the grid and opens the sensitivity, a number, of the same row:
        // nothing is written yet.
        QVERIFY(typeAndPress(urls, cellOf(urls, 0, Url), u"http://tabbed.example/"_s, Qt::Key_Tab));
        auto *sensitivity = qobject_cast<QSpinBox *>(openEditor(urls));
        QVERIFY(sensitivity != nullptr);
        QCOMPARE(sensitivity->minimum(), 0);
        QCOMPARE(sensitivity->maximum(), std::numeric_limits<qint32>::max());
        QTest::keyClick(sensitivity, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(sensitivity, u"7"_s);
        QCOMPARE(world.urlsStored().value(0), u"http://a.example/"_s);

        world.click("cmdURL");
        QCOMPARE(world.db.rows(u"SELECT URL, SCENS FROM listen ORDER BY ID"_s).value(0),
                 (QVariantList{u"http://tabbed.example/"_s, 7}));
        QCOMPARE(textOf(urls, 0, Url), u"http://tabbed.example/"_s);
        QCOMPARE(world.pane(), QString());
    }

    void editsAreWrittenWhenTheWindowCloses()
    {
        WORLD(world, Backend::Sqlite);
        auto *urls = world.urlGrid();
        QVERIFY(typeAndPress(urls, cellOf(urls, 0, Url), u"http://closing.example/"_s, Qt::Key_Tab));
        auto *keywords = world.keywordGrid();
        // The keyword is still in its open editor when the window closes.
        QVERIFY(typeIntoCell(keywords, cellOf(keywords, 1, Keywords), u"lorry"_s) != nullptr);
        QVERIFY(world.window->close());
        QCOMPARE(world.urlsStored().value(0), u"http://closing.example/"_s);
        QCOMPARE(world.keywordsStored(), (QStringList{u"boat"_s, u"lorry"_s}));
    }

    void escapeGivesUpTheWholeRow()
    {
        WORLD(world, Backend::Sqlite);
        auto *urls = world.urlGrid();
        QVERIFY(typeAndPress(urls, cellOf(urls, 0, Url), u"http://dropped.example/"_s, Qt::Key_Tab));
        QTest::keyClick(openEditor(urls), Qt::Key_Escape);
        QCOMPARE(textOf(urls, 0, Url), u"http://a.example/"_s);
        world.click("cmdURL");
        QCOMPARE(world.urlsStored().value(0), u"http://a.example/"_s);
    }

    void refusedEditIsReportedAndTheStoredValueShown_data() { addBackendRows(); }
    void refusedEditIsReportedAndTheStoredValueShown()
    {
        BACKEND_WORLD(world);
        auto *keywords = world.keywordGrid();
        QVERIFY(typeAndPress(keywords, cellOf(keywords, 0, Keywords), u"car"_s, Qt::Key_Return));
        auto *errors = world.child<QPlainTextEdit>("txtEtrap");
        QTRY_VERIFY(errors->toPlainText().startsWith(u"Keyword edit Error "_s));
        QVERIFY(errors->toPlainText().endsWith(u"16\n"_s));
        QCOMPARE(textOf(keywords, 0, Keywords), u"boat"_s);
        QCOMPARE(world.keywordsStored(), (QStringList{u"boat"_s, u"car"_s}));
        QVERIFY(!keywords->gridModel()->isDirty());
        // The grid goes on working.
        QVERIFY(typeAndPress(keywords, cellOf(keywords, 0, Keywords), u"bus"_s, Qt::Key_Return));
        QTRY_COMPARE(world.keywordsStored(), (QStringList{u"bus"_s, u"car"_s}));
    }

    void insertKeyOpensANewRow_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key"); // 0: a click on another row
        QTest::addColumn<QStringList>("stored");
        const QStringList before{u"boat"_s, u"car"_s};
        QTest::newRow("written with Return")
            << u"zebra"_s << int(Qt::Key_Return) << before + QStringList{u"zebra"_s};
        // Escape on a new row used to crash the window.
        QTest::newRow("given up with Escape") << u"half"_s << int(Qt::Key_Escape) << before;
        QTest::newRow("left blank") << u"  "_s << 0 << before;
    }
    void insertKeyOpensANewRow()
    {
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(QStringList, stored);
        WORLD(world, Backend::Sqlite);
        auto *keywords = world.keywordGrid();
        keywords->setFocus();
        QTest::keyClick(keywords, Qt::Key_Insert);
        QWidget *editor = openEditor(keywords);
        QVERIFY(editor != nullptr);
        QCOMPARE(keywords->gridModel()->rowCount(), 3);
        QCOMPARE(keywords->currentIndex().row(), 2);
        QTest::keyClicks(editor, typed);
        if (key != 0)
            QTest::keyClick(editor, Qt::Key(key));
        else
            clickOn(keywords, cellOf(keywords, 0, Keywords));
        QTRY_COMPARE(world.keywordsStored(), stored);
        QTRY_COMPARE(keywords->gridModel()->rowCount(), stored.size());
        QVERIFY(rowWith(keywords, Keywords, stored.last()) >= 0);
        QCOMPARE(world.pane(), QString());
    }

    void newUrlRowIsTypedIntoTheGrid_data() { addBackendRows(); }
    void newUrlRowIsTypedIntoTheGrid()
    {
        BACKEND_WORLD(world);
        auto *urls = world.urlGrid();
        world.click("cmdUrlNew");
        QWidget *editor = openEditor(urls);
        QVERIFY(editor != nullptr);
        QTest::keyClicks(editor, u"http://new.example/"_s);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(world.urlsStored().value(2), u"http://new.example/"_s);
        QCOMPARE(textOf(urls, rowWith(urls, Url, u"http://new.example/"_s), Scens), u"50"_s);
        QCOMPARE(world.pane(), QString());
    }

    void deleteKeyAsksAndDeletes()
    {
        WORLD(world, Backend::Sqlite);
        auto *keywords = world.keywordGrid();
        keywords->setFocus();
        keywords->setCurrentIndex(cellOf(keywords, 0, Keywords));
        world.prompts.confirmAnswer = false;
        QTest::keyClick(keywords, Qt::Key_Delete);
        QCOMPARE(world.prompts.confirmations, QStringList{u"Delete the keyword boat from the list?"_s});
        QCOMPARE(world.db.count(u"keyword"_s), 2);

        world.prompts.confirmAnswer = true;
        QTest::keyClick(keywords, Qt::Key_Delete);
        QCOMPARE(world.keywordsStored(), QStringList{u"car"_s});
        QCOMPARE(keywords->gridModel()->rowCount(), 1);
        QCOMPARE(textOf(keywords, 0, Keywords), u"car"_s);

        // In an open editor the key deletes text, not the row.
        QWidget *editor = typeIntoCell(keywords, cellOf(keywords, 0, Keywords), u"cars"_s);
        QTest::keyClick(editor, Qt::Key_Home);
        QTest::keyClick(editor, Qt::Key_Delete);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(world.keywordsStored(), QStringList{u"ars"_s});
        QCOMPARE(world.prompts.confirmations.size(), 2);
    }
};

QTEST_MAIN(GridTest)
#include "tst_grids.moc"
