#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

#include "core/app/datasourcename.h"
#include "core/app/runfields.h"
#include "core/app/settingsstore.h"
#include "core/lists/keywordcommands.h"
#include "core/lists/listtransfer.h"
#include "core/lists/tablegrid.h"
#include "core/lists/urlcommands.h"
#include "core/store/datasource.h"
#include "core/store/gridmodel.h"
#include "recordingprompts.h"
#include "testdatasource.h"

using namespace Qt::StringLiterals;
using qs::app::Field;
using qs::lists::CommandResult;
using qs::lists::ListKind;
using qs::store::GridModel;
using qs::test::Backend;

namespace {

const QString NotFound = u"-2147467259"_s;
const QString Missing = u"qs_no_such_source"_s;

// One operator with a database of their own, the maintenance commands and nothing else.
struct World
{
    explicit World(Backend backend = Backend::Sqlite)
        : db(backend)
    {
        settings.write(qs::app::keys::Dsn, db.name());
    }

    GridModel *urlGrid() { return urls.grid().model(); }
    GridModel *keywordGrid() { return keywords.grid().model(); }

    bool exec(const QString &sql, const QVariantList &values = {}) { return db.exec(sql, values); }
    // Two URLs and two keywords, shown in the grids.
    bool loadLists()
    {
        const bool ok = exec(u"INSERT INTO listen (URL, SCENS) VALUES ('http://a.example/', 10), "
                             "('http://b.example/', 150)"_s) &&
                        exec(u"INSERT INTO keyword (KEYWORDS) VALUES ('boat'), ('car')"_s);
        urls.cmdURLClick();
        keywords.cmdKWordClick();
        return ok && urlGrid() != nullptr && keywordGrid() != nullptr;
    }
    // The date, hit count and sensitivity stored for url.
    QVariantList valuesOf(const QString &url)
    {
        const QVariantList row =
            db.rows(u"SELECT DAGEN, TAL, SCENS FROM listen WHERE URL = ?"_s, {url}).value(0);
        return {row.value(0).toDate(), row.value(1).toInt(), row.value(2).toInt()};
    }
    QStringList urlsStored() { return db.strings(u"SELECT URL FROM listen ORDER BY ID"_s); }
    QStringList keywordsStored() { return db.strings(u"SELECT KEYWORDS FROM keyword ORDER BY KEYWORDS"_s); }
    const QString &pane() const { return state.text(Field::txtEtrap); }
    void useMissingDataSource() { settings.write(qs::app::keys::Dsn, Missing); }

    QTemporaryDir dir;
    qs::test::TestDataSource db;
    qs::app::SettingsStore settings{dir.filePath(u"settings.conf"_s)};
    qs::app::RunFields state;
    qs::test::RecordingPrompts prompts;
    qs::app::DataSourceName dsn{settings, state};
    qs::store::DataSource dataSource;
    // After the data source: the grids' models use its connections and must go first.
    qs::lists::ListContext context{state, dsn, dataSource, prompts};
    qs::lists::UrlCommands urls{context};
    qs::lists::KeywordCommands keywords{context};
};

// One step of a test on its world, kept in the rows of a table.
using Step = void (*)(World &);
const Step addUrl = [](World &w) { w.urls.cmdAddClick(); };
const Step resetKeywords = [](World &w) { w.keywords.cmdWordClick(); };
const Step loadUrls = [](World &w) { w.urls.cmdURLClick(); };
const Step loadKeywords = [](World &w) { w.keywords.cmdKWordClick(); };
const Step missingDataSource = [](World &w) { w.useMissingDataSource(); };

// The world of the backend of the current row. The name declares a variable, so it cannot be
// parenthesised.
// NOLINTBEGIN(bugprone-macro-parentheses)
#define BACKEND_WORLD(name)                                                                                  \
    QFETCH(Backend, backend);                                                                                \
    if (backend == Backend::Postgres && !qs::test::postgresAvailable())                                      \
        QSKIP("no PostgreSQL test server (run the test through ctest)");                                     \
    World name(backend);                                                                                     \
    QVERIFY2(name.db.isValid(), qPrintable(name.db.error()))
// NOLINTEND(bugprone-macro-parentheses)

} // namespace

class ListsTest : public QObject
{
    Q_OBJECT
private slots:
    // An export read back by an import gives the same lists, whatever the values hold.
    void csvRoundTrip_data() { qs::test::addBackendRows(); }
    void csvRoundTrip()
    {
        BACKEND_WORLD(world);
        QTemporaryDir elsewhere;
        const QByteArray urls = "url,sensitivity\r\n"
                                "\"http://a.example/?q=1,2\",10\r\n"
                                "\r\n"
                                "\"http://b.example/\"\"quoted\"\"/æøå\",\r\n"
                                "\" http://c.example/ \",150\n";
        const QByteArray keywords = "keyword\n\"harbour, fees\"\n\"say \"\"hi\"\"\"\n\nÆble\n";
        QCOMPARE(importList(world.context, ListKind::Urls, urls).kind, CommandResult::Kind::Done);
        QCOMPARE(importList(world.context, ListKind::Keywords, keywords).kind, CommandResult::Kind::Done);
        QCOMPARE(world.urlsStored(),
                 (QStringList{u"http://a.example/?q=1,2"_s, u"http://b.example/\"quoted\"/æøå"_s,
                              u" http://c.example/ "_s}));
        QCOMPARE(world.valuesOf(u"http://b.example/\"quoted\"/æøå"_s).value(2), QVariant(50));
        QCOMPARE(world.keywordsStored(), (QStringList{u"harbour, fees"_s, u"say \"hi\""_s, u"Æble"_s}));

        QByteArray exportedUrls;
        QByteArray exportedKeywords;
        QCOMPARE(exportList(world.context, ListKind::Urls, &exportedUrls).kind, CommandResult::Kind::Done);
        QCOMPARE(exportList(world.context, ListKind::Keywords, &exportedKeywords).kind,
                 CommandResult::Kind::Done);
        World other(world.db.backend());
        QCOMPARE(importList(other.context, ListKind::Urls, exportedUrls).kind, CommandResult::Kind::Done);
        QCOMPARE(importList(other.context, ListKind::Keywords, exportedKeywords).kind,
                 CommandResult::Kind::Done);
        QCOMPARE(other.urlsStored(), world.urlsStored());
        QCOMPARE(other.db.rows(u"SELECT SCENS FROM listen ORDER BY ID"_s),
                 world.db.rows(u"SELECT SCENS FROM listen ORDER BY ID"_s));
        QCOMPARE(other.keywordsStored(), world.keywordsStored());

        // Read back into the same lists, everything is listed already: reported, left out.
        const CommandResult again =
            importList(world.context, ListKind::Keywords, "keyword\n\"HARBOUR, FEES\"\nnew\n");
        QCOMPARE(again.kind, CommandResult::Kind::Done);
        QVERIFY(again.lines.first().startsWith(u"line 2: "_s));
        QCOMPARE(world.keywordsStored().size(), 4);
    }

    void importWithABadLineChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("problemAt");
        QTest::newRow("empty URL") << QByteArray("url,sensitivity\nhttp://a.example/,1\n,5\n")
                                   << u"line 3: "_s;
        QTest::newRow("other scheme") << QByteArray("url,sensitivity\nftp://a.example/\n") << u"line 2: "_s;
        QTest::newRow("negative sensitivity")
            << QByteArray("url,sensitivity\nhttp://a.example/,-1\n") << u"line 2: "_s;
        QTest::newRow("sensitivity past 2^31 - 1")
            << QByteArray("url,sensitivity\nhttp://a.example/,2147483648\n") << u"line 2: "_s;
        QTest::newRow("sensitivity no number")
            << QByteArray("url,sensitivity\nhttp://a.example/,ten\n") << u"line 2: "_s;
        QTest::newRow("a field too many")
            << QByteArray("url,sensitivity\nhttp://a.example/,1,2\n") << u"line 2: "_s;
        QTest::newRow("no header") << QByteArray("http://a.example/,1\n") << u"line 1: "_s;
        QTest::newRow("quote never closed")
            << QByteArray("url,sensitivity\n\"http://a.example/,1\n") << u"line 2: "_s;
    }
    void importWithABadLineChangesNothing()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, problemAt);
        World world;
        QVERIFY(world.loadLists());
        const CommandResult result = importList(world.context, ListKind::Urls, csv);
        QCOMPARE(result.kind, CommandResult::Kind::BadInput);
        QVERIFY2(result.lines.first().startsWith(problemAt), qPrintable(result.lines.join(u'|')));
        QCOMPARE(world.db.count(u"listen"_s), 2);
    }

    // The command line's edits: what they refuse leaves the lists as they were.
    void commandLineEditsTheLists()
    {
        World world;
        QVERIFY(world.loadLists());
        const qint64 big = (qint64(1) << 32) + 1;
        QVERIFY(world.exec(u"INSERT INTO listen (ID, URL, DAGEN) VALUES (?, 'http://big.example/', ?)"_s,
                           {big, QDate(2026, 12, 6)}));
        using Kind = CommandResult::Kind;
        QCOMPARE(world.urls.add(u" http://a.example/ "_s, std::nullopt).kind, Kind::BadInput);
        QCOMPARE(world.urls.add(u"http://new.example/"_s, 7).kind, Kind::Done);
        QCOMPARE(world.valuesOf(u"http://new.example/"_s).value(2), QVariant(7));
        QCOMPARE(world.urls.remove(12345).kind, Kind::BadInput);
        QCOMPARE(world.keywords.add(u"BOAT"_s).kind, Kind::BadInput);
        QCOMPARE(world.keywords.remove(u"Car"_s).kind, Kind::Done);
        QCOMPARE(world.keywordsStored(), QStringList{u"boat"_s});
        // Reset date for one row, found by its 64-bit ID; an unknown ID changes nothing.
        QCOMPARE(world.urls.resetDates({big, 999}).kind, Kind::BadInput);
        QCOMPARE(world.valuesOf(u"http://big.example/"_s).value(0), QVariant(QDate(2026, 12, 6)));
        QCOMPARE(world.urls.resetDates({big}).kind, Kind::Done);
        QCOMPARE(world.valuesOf(u"http://big.example/"_s).value(0), QVariant(QDate(2003, 1, 1)));
    }

    void cancelledCommandsTouchNothing_data()
    {
        QTest::addColumn<Step>("command");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("asked");
        const QString link = u"Add URL: Enter Link"_s;
        QTest::newRow("add url, cancelled") << addUrl << QString() << link;
        QTest::newRow("add url, blanks only") << addUrl << u" \t "_s << link;
        QTest::newRow("reset keywords, cancelled")
            << resetKeywords << QString() << u"All the keywords found at scanning will be deleted!"_s;
    }
    void cancelledCommandsTouchNothing()
    {
        QFETCH(Step, command);
        QFETCH(QString, answer);
        QFETCH(QString, asked);
        World world;
        QVERIFY(world.exec(u"INSERT INTO kw (KWID, KWORD, TALSUM) VALUES (1, 'car', 40)"_s));
        const QStringList connectionsBefore = QSqlDatabase::connectionNames();
        world.prompts.textAnswers = QStringList{answer};
        world.prompts.confirmAnswer = false;
        command(world);
        QCOMPARE(world.prompts.questions + world.prompts.confirmations, QStringList{asked});
        QCOMPARE(world.db.count(u"listen"_s) + world.db.count(u"kw"_s), 1);
        QCOMPARE(QSqlDatabase::connectionNames(), connectionsBefore);
        QVERIFY(world.prompts.messages.isEmpty());
        // The name is read before the question all the same.
        QCOMPARE(world.state.text(Field::txtDB), world.db.name());
    }

    void errorsAreReported_data()
    {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<Step>("setup");
        QTest::addColumn<Step>("command");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("detail");
        const Step uniqueUrls = [](World &w) {
            w.exec(u"CREATE UNIQUE INDEX listen_url_unique ON listen (URL)"_s);
            w.exec(u"INSERT INTO listen (URL) VALUES ('http://c.example/')"_s);
        };
        const Step dropLists = [](World &w) {
            w.exec(u"DROP TABLE keyword"_s);
            w.exec(u"DROP TABLE listen"_s);
        };
        const Step resetDate = [](World &w) { w.urls.cmdResetClick(); };
        const QString notFound = u"ODBC Drive not found"_s;
        const QString notDeleted = u"The keywords found at scanning were not deleted: there was an error"_s;
        QTest::newRow("add url, no data source")
            << Backend::Sqlite << missingDataSource << addUrl << u"Error "_s + NotFound
            << u"Database Add Error "_s + NotFound << Missing;
        QTest::newRow("add url refused, sqlite") << Backend::Sqlite << uniqueUrls << addUrl << QString()
                                                 << u"Database Add Error "_s << u"unique"_s;
        QTest::newRow("add url refused, postgresql") << Backend::Postgres << uniqueUrls << addUrl << QString()
                                                     << u"Database Add Error "_s << u"unique"_s;
        QTest::newRow("reset date, no data source")
            << Backend::Sqlite << missingDataSource << resetDate << notFound << QString() << QString();
        QTest::newRow("reset keywords, no data source")
            << Backend::Sqlite << missingDataSource << resetKeywords << notDeleted
            << u"Delete Error "_s + NotFound << Missing;
        QTest::newRow("load urls, no data source")
            << Backend::Sqlite << missingDataSource << loadUrls << notFound << QString() << QString();
        QTest::newRow("load keywords, no data source")
            << Backend::Sqlite << missingDataSource << loadKeywords << notFound << QString() << QString();
        // Both lists report a failed load under the keyword list's name.
        QTest::newRow("load urls, unreadable table") << Backend::Sqlite << dropLists << loadUrls << QString()
                                                     << u"Keyword load Error "_s << u"listen"_s;
        QTest::newRow("load keywords, unreadable table")
            << Backend::Sqlite << dropLists << loadKeywords << QString() << u"Keyword load Error "_s
            << u"keyword"_s;
    }
    void errorsAreReported()
    {
        QFETCH(Step, setup);
        QFETCH(Step, command);
        QFETCH(QString, message);
        QFETCH(QString, entry);
        QFETCH(QString, detail);
        BACKEND_WORLD(world);
        QVERIFY(world.loadLists());
        GridModel *urls = world.urlGrid();
        GridModel *keywords = world.keywordGrid();
        setup(world);
        const int urlsBefore = world.db.count(u"listen"_s);
        world.prompts.textAnswers = QStringList{u"http://c.example/"_s};
        world.prompts.confirmAnswer = true;
        command(world);

        const QStringList &messages = world.prompts.messages;
        QVERIFY2(message.isEmpty() ? messages.isEmpty()
                                   : messages.size() == 1 && messages[0].startsWith(message),
                 qPrintable(messages.join(u'|')));
        QVERIFY2(world.pane().startsWith(entry) && world.pane().contains(detail, Qt::CaseInsensitive),
                 qPrintable(world.pane()));
        // One entry, and none where a message box says it all.
        QCOMPARE(world.pane().count(u"\r\n"_s), entry.isEmpty() ? 0 : 1);
        QVERIFY(entry.isEmpty() || world.pane().endsWith(u"16\r\n"_s));
        if (entry.startsWith(u"Database Add"_s) && !message.isEmpty())
            QCOMPARE(world.pane(), u"Database Add "_s + messages[0] + u"\r\n"_s);
        QCOMPARE(world.db.count(u"listen"_s), urlsBefore);
        QCOMPARE(world.state.text(Field::txtDB), world.settings.read(qs::app::keys::Dsn));
        // The grids go on showing what they had.
        QCOMPARE(world.urlGrid(), urls);
        QCOMPARE(world.keywordGrid(), keywords);
        QCOMPARE(urls->rowCount() + keywords->rowCount(), 4);
    }

    void resetDateWritesEveryRow_data()
    {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QDate>("date");
        QTest::newRow("empty table") << Backend::Sqlite << 0 << QDate();
        QTest::newRow("three rows, sqlite") << Backend::Sqlite << 3 << QDate(2003, 1, 1);
        QTest::newRow("three rows, postgresql") << Backend::Postgres << 3 << QDate(2003, 1, 1);
    }
    void resetDateWritesEveryRow()
    {
        QFETCH(int, rows);
        QFETCH(QDate, date);
        BACKEND_WORLD(world);
        for (int i = 0; i < rows; ++i)
            QVERIFY(world.exec(u"INSERT INTO listen (URL, DAGEN) VALUES (?, ?)"_s,
                               {u"http://%1.example/"_s.arg(i), QDate(2026, 12, 6)}));
        // A row without a date is never scanned; the reset gives it one.
        QVERIFY(world.exec(u"UPDATE listen SET DAGEN = NULL WHERE ID = (SELECT MAX(ID) FROM listen)"_s));

        world.urls.cmdResetClick();
        QCOMPARE(world.prompts.messages, QStringList{u"reset Finished"_s});
        QCOMPARE(world.pane(), QString());
        const QList<QVariantList> stored = world.db.rows(u"SELECT DAGEN FROM listen"_s);
        QCOMPARE(stored.size(), rows);
        for (const QVariantList &row : stored)
            QCOMPARE(row.value(0).toDate(), date);
    }

    void resetDateRefusedRowStopsTheWalk_data() { qs::test::addBackendRows(); }
    void resetDateRefusedRowStopsTheWalk()
    {
        BACKEND_WORLD(world);
        if (backend == Backend::Sqlite) {
            QVERIFY(world.exec(u"CREATE TRIGGER locked_row BEFORE UPDATE ON listen "
                               "WHEN OLD.URL = 'http://locked.example/' "
                               "BEGIN SELECT RAISE(ABORT, 'row is locked'); END"_s));
        } else {
            QVERIFY(world.exec(u"CREATE FUNCTION refuse_locked() RETURNS trigger AS $$ BEGIN "
                               "IF OLD.url = 'http://locked.example/' THEN RAISE EXCEPTION 'row is locked'; "
                               "END IF; RETURN NEW; END $$ LANGUAGE plpgsql"_s));
            QVERIFY(world.exec(u"CREATE TRIGGER locked_row BEFORE UPDATE ON listen "
                               "FOR EACH ROW EXECUTE FUNCTION refuse_locked()"_s));
        }
        // Dated as they are added, so that both data sources return them in this order.
        for (const QString &url :
             {u"http://a.example/"_s, u"http://locked.example/"_s, u"http://c.example/"_s})
            QVERIFY(
                world.exec(u"INSERT INTO listen (URL, DAGEN) VALUES (?, ?)"_s, {url, QDate(2026, 12, 6)}));

        world.urls.cmdResetClick();
        QVERIFY(world.prompts.messages.isEmpty());
        QVERIFY2(world.pane().startsWith(u"Database reset Error "_s), qPrintable(world.pane()));
        QVERIFY(world.pane().contains(u"row is locked"_s));
        QVERIFY(world.pane().endsWith(u"16\r\n"_s));
        const QList<QVariantList> dates = world.db.rows(u"SELECT DAGEN FROM listen ORDER BY ID"_s);
        QCOMPARE(dates.value(0).value(0).toDate(), QDate(2003, 1, 1));
        QCOMPARE(dates.value(2).value(0).toDate(), QDate(2026, 12, 6));
    }

    void gridEditIsWrittenWhenReloaded_data() { qs::test::addBackendRows(); }
    void gridEditIsWrittenWhenReloaded()
    {
        BACKEND_WORLD(world);
        QVERIFY(world.loadLists());
        GridModel *urls = world.urlGrid();
        // Headers are spelled as the tables spell them, also where PostgreSQL lowers them.
        QCOMPARE(urls->headerData(urls->fieldIndex(u"SCENS"_s), Qt::Horizontal).toString(), u"SCENS"_s);
        // A row still being edited is written when its grid is loaded again.
        GridModel *keywords = world.keywordGrid();
        QVERIFY(setCell(urls, 1, u"URL"_s, u"http://pending.example/"_s));
        QVERIFY(setCell(keywords, rowOf(keywords, u"KEYWORDS"_s, u"car"_s), u"KEYWORDS"_s, u"æble"_s));
        world.urls.cmdURLClick();
        world.keywords.cmdKWordClick();
        QCOMPARE(world.urlsStored(), (QStringList{u"http://a.example/"_s, u"http://pending.example/"_s}));
        QCOMPARE(cell(world.urlGrid(), 1, u"URL"_s).toString(), u"http://pending.example/"_s);
        keywords = world.keywordGrid();
        QVERIFY(rowOf(keywords, u"KEYWORDS"_s, u"æble"_s) >= 0);

        // Also when the reload finds the data source gone.
        QVERIFY(setCell(keywords, rowOf(keywords, u"KEYWORDS"_s, u"boat"_s), u"KEYWORDS"_s, u"written"_s));
        world.useMissingDataSource();
        world.keywords.cmdKWordClick();
        QCOMPARE(world.keywordsStored(), (QStringList{u"written"_s, u"æble"_s}));
        QCOMPARE(world.pane(), QString());
    }

    void gridRefusedEditIsReportedAndTakenBack_data()
    {
        QTest::addColumn<Backend>("backend");
        QTest::addColumn<bool>("urls");
        QTest::addColumn<bool>("newRow");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("entry");
        QTest::newRow("duplicate keyword, sqlite")
            << Backend::Sqlite << false << false << u"KEYWORDS"_s << u"car"_s << u"Keyword edit Error "_s;
        QTest::newRow("duplicate keyword in a new row")
            << Backend::Sqlite << false << true << u"KEYWORDS"_s << u"car"_s << u"Keyword edit Error "_s;
        // The search ignores case: a keyword in other letters is the same keyword.
        QTest::newRow("keyword in other letters, postgresql")
            << Backend::Postgres << false << true << u"KEYWORDS"_s << u"Car"_s
            << u"Keyword edit Error  3022"_s;
        QTest::newRow("keyword in other letters, sqlite")
            << Backend::Sqlite << false << false << u"KEYWORDS"_s << u"CAR"_s
            << u"Keyword edit Error  3022"_s;
        // SQLite keeps any value in any column.
        QTest::newRow("text as sensitivity, postgresql")
            << Backend::Postgres << true << false << u"SCENS"_s << u"many"_s << u"URL edit Error "_s;
    }
    void gridRefusedEditIsReportedAndTakenBack()
    {
        QFETCH(bool, urls);
        QFETCH(bool, newRow);
        QFETCH(QString, column);
        QFETCH(QString, typed);
        QFETCH(QString, entry);
        BACKEND_WORLD(world);
        QVERIFY(world.loadLists());
        GridModel *grid = urls ? world.urlGrid() : world.keywordGrid();
        const QVariant shown = cell(grid, 0, column);
        const int row = newRow ? (urls ? world.urls.grid() : world.keywords.grid()).addRow() : 0;
        QVERIFY(setCell(grid, row, column, typed));
        QVERIFY(!grid->submit());
        QVERIFY2(world.pane().startsWith(entry), qPrintable(world.pane()));
        QVERIFY(world.pane().endsWith(u"16\r\n"_s));
        QCOMPARE(grid->rowCount(), 2);
        QCOMPARE(cell(grid, 0, column), shown);
        QVERIFY(!grid->isDirty());
        QCOMPARE(world.keywordsStored(), (QStringList{u"boat"_s, u"car"_s}));
        // Said where the operator is looking, too.
        QCOMPARE(world.prompts.messages.size(), 1);
        QVERIFY(world.prompts.messages.first().startsWith(u"The row was not saved: "_s));
    }

    void gridNewRowIsReplacedOrDeletedWithoutAQuestion()
    {
        World world;
        QVERIFY(world.loadLists());
        GridModel *keywords = world.keywordGrid();
        world.keywords.grid().addRow();
        QCOMPARE(world.keywords.grid().addRow(), 2);
        QCOMPARE(keywords->rowCount(), 3);
        QVERIFY(world.keywords.grid().deleteRow(2));
        QCOMPARE(keywords->rowCount(), 2);
        QVERIFY(world.prompts.confirmations.isEmpty());
    }

    void gridDeleteAsksFirst_data() { qs::test::addBackendRows(); }
    void gridDeleteAsksFirst()
    {
        BACKEND_WORLD(world);
        QVERIFY(world.loadLists());
        world.prompts.confirmAnswer = true;
        QVERIFY(world.urls.grid().deleteRow(0));
        QCOMPARE(world.urlsStored(), QStringList{u"http://b.example/"_s});
        // Another row still being edited is written first: "zebra" moves "boat" behind "car" once
        // read back, and the row to delete is found again all the same.
        GridModel *keywords = world.keywordGrid();
        QVERIFY(setCell(keywords, 0, u"KEYWORDS"_s, u"zebra"_s));
        QVERIFY(world.keywords.grid().deleteRow(1));
        QCOMPARE(world.prompts.confirmations,
                 (QStringList{u"Delete the URL http://a.example/ from the list?"_s,
                              u"Delete the keyword car from the list?"_s}));
        QCOMPARE(world.keywordsStored(), QStringList{u"zebra"_s});
        QCOMPARE(keywords->rowCount(), 1);
        QCOMPARE(world.pane(), QString());
    }

private:
    // A grid's cell by row and column name, found by name as the program finds it.
    static QVariant cell(GridModel *m, int row, const QString &column) { return at(m, row, column).data(); }
    static bool setCell(GridModel *m, int row, const QString &column, const QVariant &value)
    {
        return m->setData(at(m, row, column), value);
    }
    static QModelIndex at(GridModel *m, int row, const QString &column)
    {
        return m->index(row, m->fieldIndex(column));
    }
    static int rowOf(GridModel *m, const QString &column, const QString &value)
    {
        const QModelIndexList found = m->match(at(m, 0, column), Qt::DisplayRole, value, 1, Qt::MatchExactly);
        return found.isEmpty() ? -1 : found.first().row();
    }
};

QTEST_GUILESS_MAIN(ListsTest)
#include "tst_lists.moc"
