#include <memory>

#include <QSignalSpy>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

#include "app/runstate.h"
#include "app/settingsstore.h"
#include "recordingprompts.h"
#include "store/datasource.h"
#include "store/gridmodel.h"
#include "store/keywordmaintenance.h"
#include "store/tablegrid.h"
#include "store/urlmaintenance.h"
#include "testdatasource.h"

using qs::app::Field;
using qs::test::Backend;

Q_DECLARE_METATYPE(qs::test::Backend)

namespace {

const QString NotFound = QStringLiteral("-2147467259");

// One operator with a database of their own, the maintenance commands and nothing else.
struct World
{
    explicit World(Backend backend = Backend::Sqlite)
        : db(backend)
    {
        settings.write(qs::app::keys::Dsn, db.name());
    }

    qs::store::UrlMaintenance &urls()
    {
        if (!m_urls)
            m_urls = std::make_unique<qs::store::UrlMaintenance>(state, settings, dataSource, prompts);
        return *m_urls;
    }
    qs::store::KeywordMaintenance &keywords()
    {
        if (!m_keywords)
            m_keywords =
                std::make_unique<qs::store::KeywordMaintenance>(state, settings, dataSource, prompts);
        return *m_keywords;
    }
    qs::store::GridModel *urlGrid() { return urls().grid().model(); }
    qs::store::GridModel *keywordGrid() { return keywords().grid().model(); }

    void addUrl(const QString &url, int sensitivity = 50)
    {
        QVERIFY2(db.exec(QStringLiteral("INSERT INTO listen (URL, SCENS) VALUES (?, ?)"), {url, sensitivity}),
                 qPrintable(db.lastError()));
    }
    void addKeyword(const QString &keyword)
    {
        QVERIFY2(db.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES (?)"), {keyword}),
                 qPrintable(db.lastError()));
    }
    void addHit(int urlId, const QString &keyword, int length)
    {
        QVERIFY2(db.exec(QStringLiteral("INSERT INTO kw (KWID, KWORD, TALSUM) VALUES (?, ?, ?)"),
                         {urlId, keyword, length}),
                 qPrintable(db.lastError()));
    }
    QStringList urlsStored()
    {
        QStringList result;
        for (const QVariantList &row : db.rows(QStringLiteral("SELECT URL FROM listen ORDER BY ID")))
            result << row.value(0).toString();
        return result;
    }
    QStringList keywordsStored()
    {
        QStringList result;
        for (const QVariantList &row :
             db.rows(QStringLiteral("SELECT KEYWORDS FROM keyword ORDER BY KEYWORDS")))
            result << row.value(0).toString();
        return result;
    }
    // The grid's value of column in row, found by name as the program finds it.
    static QVariant cell(qs::store::GridModel *model, int row, const QString &column)
    {
        return model->data(model->index(row, model->fieldIndex(column)));
    }
    static bool setCell(qs::store::GridModel *model, int row, const QString &column, const QVariant &value)
    {
        return model->setData(model->index(row, model->fieldIndex(column)), value);
    }
    static int rowOf(qs::store::GridModel *model, const QString &column, const QString &value)
    {
        for (int row = 0; row < model->rowCount(); ++row) {
            if (cell(model, row, column).toString() == value)
                return row;
        }
        return -1;
    }
    const QString &pane() const { return state.text(Field::txtEtrap); }
    void useMissingDataSource() { settings.write(qs::app::keys::Dsn, QStringLiteral("qs_no_such_source")); }

    QTemporaryDir dir;
    qs::test::TestDataSource db;
    qs::app::SettingsStore settings{dir.filePath(QStringLiteral("settings.conf"))};
    qs::app::RunState state;
    qs::test::RecordingPrompts prompts;
    qs::store::DataSource dataSource;

private:
    // Declared after the data source: the grids' models use its connections and must go first.
    std::unique_ptr<qs::store::UrlMaintenance> m_urls;
    std::unique_ptr<qs::store::KeywordMaintenance> m_keywords;
};

void addBackends()
{
    QTest::addColumn<Backend>("backend");
    QTest::newRow("sqlite") << Backend::Sqlite;
    QTest::newRow("postgresql") << Backend::Postgres;
}

#define SKIP_WITHOUT(backend)                                                                                \
    do {                                                                                                     \
        if ((backend) == Backend::Postgres && !qs::test::postgresAvailable())                                \
            QSKIP("no PostgreSQL test server (run the test through ctest)");                                 \
    } while (false)

#define WORLD(name, backend)                                                                                 \
    SKIP_WITHOUT(backend);                                                                                   \
    World name(backend);                                                                                     \
    QVERIFY2(name.db.isValid(), qPrintable(name.db.error()))

} // namespace

class MaintenanceTest : public QObject
{
    Q_OBJECT
private slots:
    // Add URL
    void addUrlStoresTheTextAsTyped_data() { addBackends(); }
    void addUrlStoresTheTextAsTyped();
    void addUrlNewRowTakesTheTableDefaults_data() { addBackends(); }
    void addUrlNewRowTakesTheTableDefaults();
    void addUrlBlanksOnlyAddNothingAndOpenNoConnection_data();
    void addUrlBlanksOnlyAddNothingAndOpenNoConnection();
    void addUrlRefusedRowIsReported_data() { addBackends(); }
    void addUrlRefusedRowIsReported();
    void addUrlMissingDataSourceShowsTheErrorAndAnEntry();
    void addUrlLeavesTheGridAsItWas();

    // Reset date
    void resetDateOnAnEmptyTableFinishesAtOnce();
    void resetDateWritesTheDateIntoEveryRow_data() { addBackends(); }
    void resetDateWritesTheDateIntoEveryRow();
    void resetDateWritesTheTextOfTheResetField();
    void resetDateMissingDataSource();
    void resetDateRefusedRowStopsTheWalk_data() { addBackends(); }
    void resetDateRefusedRowStopsTheWalk();

    // Reset keywords
    void resetKeywordsCancelDeletesNothing();
    void resetKeywordsDeletesEveryHit_data() { addBackends(); }
    void resetKeywordsDeletesEveryHit();
    void resetKeywordsOnNoHitsIsSilent();
    void resetKeywordsMissingDataSourceSaysNothingWasDeleted();

    // The grids
    void gridsShowTheirTables_data() { addBackends(); }
    void gridsShowTheirTables();
    void gridsMissingDataSourceKeepWhatTheyShowed();
    void gridsUnreadableTableIsReported();
    void gridEditIsWrittenWhenTheRowIsLeft_data() { addBackends(); }
    void gridEditIsWrittenWhenTheRowIsLeft();
    void gridPendingEditIsWrittenOnReload_data() { addBackends(); }
    void gridPendingEditIsWrittenOnReload();
    void gridRefusedEditIsReportedAndTakenBack_data() { addBackends(); }
    void gridRefusedEditIsReportedAndTakenBack();
    void gridNewUrlRowTakesTheTableDefaults_data() { addBackends(); }
    void gridNewUrlRowTakesTheTableDefaults();
    void gridNewRowLeftEmptyIsDropped();
    void gridRefusedNewRowIsTakenBack();
    void gridDeleteAsksFirst_data() { addBackends(); }
    void gridDeleteAsksFirst();
    void gridDeleteWritesAnotherPendingRowFirst();

    // The data-source name
    void everyCommandReadsTheNameAfresh();
};

// --- Add URL ---------------------------------------------------------------------------------

void MaintenanceTest::addUrlStoresTheTextAsTyped()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    world.prompts.textAnswers =
        QStringList{QStringLiteral(" http://example.org/a "), QStringLiteral("http://example.org/æøå")};
    world.urls().cmdAddClick();
    world.urls().cmdAddClick();
    QCOMPARE(world.prompts.questions, QStringList(2, QStringLiteral("Add URL: Enter Link")));
    QCOMPARE(world.urlsStored(), (QStringList{QStringLiteral(" http://example.org/a "),
                                              QStringLiteral("http://example.org/æøå")}));
    QVERIFY(world.prompts.messages.isEmpty());
    QCOMPARE(world.pane(), QString());
}

void MaintenanceTest::addUrlNewRowTakesTheTableDefaults()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    world.prompts.textAnswers = QStringList{QStringLiteral("http://example.org/")};
    world.urls().cmdAddClick();
    const QVariantList row =
        world.db.rows(QStringLiteral("SELECT ID, DAGEN, TAL, SCENS FROM listen")).value(0);
    QVERIFY(!row.value(0).isNull());
    QCOMPARE(row.value(1).toDate(), QDate(2003, 1, 1));
    QCOMPARE(row.value(2).toInt(), 0);
    QCOMPARE(row.value(3).toInt(), 50);
}

void MaintenanceTest::addUrlBlanksOnlyAddNothingAndOpenNoConnection_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("cancelled") << QString();
    QTest::newRow("blanks") << QStringLiteral("   ");
    QTest::newRow("tab and blanks") << QStringLiteral(" \t ");
}

void MaintenanceTest::addUrlBlanksOnlyAddNothingAndOpenNoConnection()
{
    QFETCH(QString, answer);
    {
        World world;
        const QStringList connectionsBefore = QSqlDatabase::connectionNames();
        world.prompts.textAnswers = QStringList{answer};
        world.urls().cmdAddClick();
        QCOMPARE(world.db.count(QStringLiteral("listen")), 0);
        QCOMPARE(QSqlDatabase::connectionNames(), connectionsBefore);
        // The name is still read first.
        QCOMPARE(world.state.text(Field::txtDB), world.db.name());
    }
    {
        // Not even a missing data source is noticed.
        World world;
        world.useMissingDataSource();
        world.prompts.textAnswers = QStringList{answer};
        world.urls().cmdAddClick();
        QCOMPARE(world.prompts.questions.size(), 1);
        QVERIFY(world.prompts.messages.isEmpty());
        QCOMPARE(world.pane(), QString());
    }
}

void MaintenanceTest::addUrlRefusedRowIsReported()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    QVERIFY(world.db.exec(QStringLiteral("CREATE UNIQUE INDEX listen_url_unique ON listen (URL)")));
    world.addUrl(QStringLiteral("http://example.org/"));
    world.prompts.textAnswers = QStringList{QStringLiteral("http://example.org/")};
    world.urls().cmdAddClick();
    QCOMPARE(world.db.count(QStringLiteral("listen")), 1);
    QVERIFY2(world.pane().startsWith(QStringLiteral("Database Add Error ")), qPrintable(world.pane()));
    QVERIFY(world.pane().endsWith(QStringLiteral("16\r\n")));
    QCOMPARE(world.pane().count(QStringLiteral("\r\n")), 1);
    QVERIFY(world.prompts.messages.isEmpty());
}

void MaintenanceTest::addUrlMissingDataSourceShowsTheErrorAndAnEntry()
{
    World world;
    world.useMissingDataSource();
    world.prompts.textAnswers = QStringList{QStringLiteral("http://example.org/")};
    world.urls().cmdAddClick();
    QCOMPARE(world.prompts.messages.size(), 1);
    const QString message = world.prompts.messages.first();
    QVERIFY2(message.startsWith(QStringLiteral("Error ") + NotFound), qPrintable(message));
    QVERIFY(message.endsWith(QStringLiteral("16")));
    QVERIFY(message.contains(QStringLiteral("qs_no_such_source")));
    QCOMPARE(world.pane(), QStringLiteral("Database Add Error ") + message.mid(6) + QStringLiteral("\r\n"));
    QCOMPARE(world.state.text(Field::txtDB), QStringLiteral("qs_no_such_source"));
}

void MaintenanceTest::addUrlLeavesTheGridAsItWas()
{
    World world;
    world.addUrl(QStringLiteral("http://example.org/old"));
    world.urls().cmdURLClick();
    world.prompts.textAnswers = QStringList{QStringLiteral("http://example.org/new")};
    world.urls().cmdAddClick();
    QCOMPARE(world.db.count(QStringLiteral("listen")), 2);
    QCOMPARE(world.urlGrid()->rowCount(), 1);
    world.urls().cmdURLClick();
    QCOMPARE(world.urlGrid()->rowCount(), 2);
}

// --- Reset date ------------------------------------------------------------------------------

void MaintenanceTest::resetDateOnAnEmptyTableFinishesAtOnce()
{
    World world;
    world.urls().cmdResetClick();
    QCOMPARE(world.prompts.messages, QStringList{QStringLiteral("reset Finished")});
    QCOMPARE(world.pane(), QString());
}

void MaintenanceTest::resetDateWritesTheDateIntoEveryRow()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    for (const char *url : {"http://a.example/", "http://b.example/", "http://c.example/"})
        world.addUrl(QString::fromLatin1(url));
    QVERIFY(world.db.exec(QStringLiteral("UPDATE listen SET DAGEN = ?"), {QDate(2026, 12, 6)}));
    // A row without a date is never scanned; the reset gives it one.
    QVERIFY(world.db.exec(QStringLiteral("UPDATE listen SET DAGEN = NULL WHERE URL = ?"),
                          {QStringLiteral("http://b.example/")}));

    world.urls().cmdResetClick();
    QCOMPARE(world.prompts.messages, QStringList{QStringLiteral("reset Finished")});
    const QList<QVariantList> rows =
        world.db.rows(QStringLiteral("SELECT DAGEN, TAL FROM listen ORDER BY ID"));
    QCOMPARE(rows.size(), 3);
    for (const QVariantList &row : rows) {
        QCOMPARE(row.value(0).toDate(), QDate(2003, 1, 1));
        QCOMPARE(row.value(1).toInt(), 0);
    }
    QCOMPARE(world.pane(), QString());
}

void MaintenanceTest::resetDateWritesTheTextOfTheResetField()
{
    World world;
    world.addUrl(QStringLiteral("http://a.example/"));
    world.state.setText(Field::txtreset, QStringLiteral("2011-02-03"));
    world.urls().cmdResetClick();
    QCOMPARE(world.db.value(QStringLiteral("SELECT DAGEN FROM listen")).toDate(), QDate(2011, 2, 3));
}

void MaintenanceTest::resetDateMissingDataSource()
{
    World world;
    world.addUrl(QStringLiteral("http://a.example/"));
    world.useMissingDataSource();
    world.urls().cmdResetClick();
    QCOMPARE(world.prompts.messages, QStringList{QStringLiteral("ODBC Drive not found")});
    QCOMPARE(world.pane(), QString());
    QCOMPARE(world.state.text(Field::txtDB), QStringLiteral("qs_no_such_source"));
}

void MaintenanceTest::resetDateRefusedRowStopsTheWalk()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    if (backend == Backend::Sqlite) {
        QVERIFY2(world.db.exec(QStringLiteral("CREATE TRIGGER locked_row BEFORE UPDATE ON listen "
                                              "WHEN OLD.URL = 'http://locked.example/' "
                                              "BEGIN SELECT RAISE(ABORT, 'row is locked'); END")),
                 qPrintable(world.db.lastError()));
    } else {
        QVERIFY2(world.db.exec(QStringLiteral(
                     "CREATE FUNCTION refuse_locked() RETURNS trigger AS $$ BEGIN "
                     "IF OLD.url = 'http://locked.example/' THEN RAISE EXCEPTION 'row is locked'; END IF; "
                     "RETURN NEW; END $$ LANGUAGE plpgsql")),
                 qPrintable(world.db.lastError()));
        QVERIFY2(world.db.exec(QStringLiteral("CREATE TRIGGER locked_row BEFORE UPDATE ON listen "
                                              "FOR EACH ROW EXECUTE FUNCTION refuse_locked()")),
                 qPrintable(world.db.lastError()));
    }
    // Dated as they are added, so that both data sources return them in this order.
    for (const char *url : {"http://a.example/", "http://locked.example/", "http://c.example/"})
        QVERIFY(world.db.exec(QStringLiteral("INSERT INTO listen (URL, DAGEN) VALUES (?, ?)"),
                              {QString::fromLatin1(url), QDate(2026, 12, 6)}));

    world.urls().cmdResetClick();
    QVERIFY(world.prompts.messages.isEmpty());
    QVERIFY2(world.pane().startsWith(QStringLiteral("Database reset Error ")), qPrintable(world.pane()));
    QVERIFY(world.pane().contains(QStringLiteral("row is locked")));
    QVERIFY(world.pane().endsWith(QStringLiteral("16\r\n")));
    const QList<QVariantList> dates =
        world.db.rows(QStringLiteral("SELECT URL, DAGEN FROM listen ORDER BY ID"));
    QCOMPARE(dates.value(0).value(1).toDate(), QDate(2003, 1, 1));
    QCOMPARE(dates.value(2).value(1).toDate(), QDate(2026, 12, 6));
}

// --- Reset keywords --------------------------------------------------------------------------

void MaintenanceTest::resetKeywordsCancelDeletesNothing()
{
    World world;
    world.addHit(1, QStringLiteral("car"), 40);
    world.settings.write(qs::app::keys::Dsn, world.db.name());
    const QStringList connectionsBefore = QSqlDatabase::connectionNames();
    world.prompts.confirmAnswer = false;
    world.keywords().cmdWordClick();
    QCOMPARE(world.prompts.confirmations,
             QStringList{QStringLiteral("All the keywords found at scanning will be deleted!")});
    QCOMPARE(world.db.count(QStringLiteral("kw")), 1);
    QCOMPARE(QSqlDatabase::connectionNames(), connectionsBefore);
    QCOMPARE(world.state.text(Field::txtDB), world.db.name());
    QCOMPARE(world.state.strConn(), QStringLiteral("DSN=") + world.db.name());
    QVERIFY(world.prompts.messages.isEmpty());
}

void MaintenanceTest::resetKeywordsDeletesEveryHit()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    world.addHit(1, QStringLiteral("car"), 40);
    world.addHit(1, QStringLiteral("boat"), 12);
    world.addHit(2, QStringLiteral("car"), 7);
    world.addKeyword(QStringLiteral("car"));
    world.prompts.confirmAnswer = true;
    world.keywords().cmdWordClick();
    QCOMPARE(world.db.count(QStringLiteral("kw")), 0);
    // The keyword list itself stays.
    QCOMPARE(world.db.count(QStringLiteral("keyword")), 1);
    QVERIFY(world.prompts.messages.isEmpty());
    QCOMPARE(world.pane(), QString());
}

void MaintenanceTest::resetKeywordsOnNoHitsIsSilent()
{
    World world;
    world.prompts.confirmAnswer = true;
    world.keywords().cmdWordClick();
    QVERIFY(world.prompts.messages.isEmpty());
    QCOMPARE(world.pane(), QString());
}

void MaintenanceTest::resetKeywordsMissingDataSourceSaysNothingWasDeleted()
{
    World world;
    world.useMissingDataSource();
    world.prompts.confirmAnswer = true;
    world.keywords().cmdWordClick();
    QVERIFY2(world.pane().startsWith(QStringLiteral("Delete Error ") + NotFound), qPrintable(world.pane()));
    QVERIFY(world.pane().endsWith(QStringLiteral("16\r\n")));
    QCOMPARE(
        world.prompts.messages,
        QStringList{QStringLiteral("The keywords found at scanning were not deleted: there was an error")});
    QCOMPARE(world.state.text(Field::txtDB), QStringLiteral("qs_no_such_source"));
}

// --- The grids -------------------------------------------------------------------------------

void MaintenanceTest::gridsShowTheirTables()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    world.addUrl(QStringLiteral("http://a.example/"), 10);
    world.addUrl(QStringLiteral("http://b.example/"), 150);
    world.addKeyword(QStringLiteral("car"));
    world.addKeyword(QStringLiteral("boat"));
    world.addKeyword(QStringLiteral("æble"));

    QSignalSpy urlModels(&world.urls().grid(), &qs::store::TableGrid::modelChanged);
    world.urls().cmdURLClick();
    QCOMPARE(urlModels.size(), 1);
    qs::store::GridModel *urls = world.urlGrid();
    QVERIFY(urls != nullptr);
    QCOMPARE(urls->rowCount(), 2);
    QCOMPARE(World::cell(urls, 0, QStringLiteral("URL")).toString(), QStringLiteral("http://a.example/"));
    QCOMPARE(World::cell(urls, 1, QStringLiteral("SCENS")).toInt(), 150);
    QCOMPARE(urls->headerData(urls->fieldIndex(QStringLiteral("SCENS")), Qt::Horizontal).toString(),
             QStringLiteral("SCENS"));
    QCOMPARE(urls->editStrategy(), QSqlTableModel::OnRowChange);

    world.keywords().cmdKWordClick();
    qs::store::GridModel *keywords = world.keywordGrid();
    QCOMPARE(keywords->rowCount(), 3);
    QVERIFY(World::rowOf(keywords, QStringLiteral("KEYWORDS"), QStringLiteral("æble")) >= 0);
    QCOMPARE(
        keywords->headerData(keywords->fieldIndex(QStringLiteral("KEYWORDS")), Qt::Horizontal).toString(),
        QStringLiteral("KEYWORDS"));
    QCOMPARE(world.pane(), QString());
    QVERIFY(world.prompts.messages.isEmpty());
}

void MaintenanceTest::gridsMissingDataSourceKeepWhatTheyShowed()
{
    World world;
    world.addUrl(QStringLiteral("http://a.example/"));
    world.addKeyword(QStringLiteral("car"));
    world.urls().cmdURLClick();
    world.keywords().cmdKWordClick();
    qs::store::GridModel *urls = world.urlGrid();
    qs::store::GridModel *keywords = world.keywordGrid();

    world.useMissingDataSource();
    QSignalSpy urlModels(&world.urls().grid(), &qs::store::TableGrid::modelChanged);
    QSignalSpy keywordModels(&world.keywords().grid(), &qs::store::TableGrid::modelChanged);
    world.urls().cmdURLClick();
    world.keywords().cmdKWordClick();
    QCOMPARE(world.prompts.messages, QStringList(2, QStringLiteral("ODBC Drive not found")));
    QCOMPARE(world.pane(), QString());
    QCOMPARE(urlModels.size(), 0);
    QCOMPARE(keywordModels.size(), 0);
    QCOMPARE(world.urlGrid(), urls);
    QCOMPARE(world.keywordGrid(), keywords);
    QCOMPARE(urls->rowCount(), 1);
    QCOMPARE(keywords->rowCount(), 1);
    QCOMPARE(world.state.text(Field::txtDB), QStringLiteral("qs_no_such_source"));

    // Never loaded: there is nothing to keep, and nothing appears.
    World fresh;
    fresh.useMissingDataSource();
    fresh.keywords().cmdKWordClick();
    QCOMPARE(fresh.prompts.messages, QStringList{QStringLiteral("ODBC Drive not found")});
    QVERIFY(fresh.keywordGrid() == nullptr);
}

void MaintenanceTest::gridsUnreadableTableIsReported()
{
    World world;
    world.addUrl(QStringLiteral("http://a.example/"));
    world.urls().cmdURLClick();
    QVERIFY(world.db.exec(QStringLiteral("DROP TABLE keyword")));
    QVERIFY(world.db.exec(QStringLiteral("DROP TABLE listen")));
    world.keywords().cmdKWordClick();
    world.urls().cmdURLClick();
    const QStringList entries = world.pane().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(entries.size(), 2);
    for (const QString &entry : entries) {
        QVERIFY2(entry.startsWith(QStringLiteral("Keyword load Error ")), qPrintable(entry));
        QVERIFY(entry.endsWith(QStringLiteral("16")));
    }
    QVERIFY(world.prompts.messages.isEmpty());
    QVERIFY(world.keywordGrid() == nullptr);
    // The URL grid goes on showing the list it had.
    QCOMPARE(world.urlGrid()->rowCount(), 1);
}

void MaintenanceTest::gridEditIsWrittenWhenTheRowIsLeft()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    world.addUrl(QStringLiteral("http://a.example/"), 50);
    world.addUrl(QStringLiteral("http://b.example/"), 50);
    world.addKeyword(QStringLiteral("car"));
    world.urls().cmdURLClick();
    world.keywords().cmdKWordClick();
    qs::store::GridModel *urls = world.urlGrid();
    qs::store::GridModel *keywords = world.keywordGrid();

    QVERIFY(World::setCell(urls, 0, QStringLiteral("URL"), QStringLiteral("http://a.example/new")));
    QVERIFY(World::setCell(urls, 0, QStringLiteral("SCENS"), 120));
    // Not written while the row is being edited.
    QCOMPARE(world.urlsStored().value(0), QStringLiteral("http://a.example/"));
    QVERIFY(urls->submit());
    QCOMPARE(world.urlsStored().value(0), QStringLiteral("http://a.example/new"));
    QCOMPARE(world.db
                 .value(QStringLiteral("SELECT SCENS FROM listen WHERE URL = ?"),
                        {QStringLiteral("http://a.example/new")})
                 .toInt(),
             120);
    QCOMPARE(World::cell(urls, 0, QStringLiteral("URL")).toString(), QStringLiteral("http://a.example/new"));
    QCOMPARE(world.db.count(QStringLiteral("listen")), 2);

    QVERIFY(World::setCell(keywords, 0, QStringLiteral("KEYWORDS"), QStringLiteral("boat")));
    QVERIFY(keywords->submit());
    QCOMPARE(world.keywordsStored(), QStringList{QStringLiteral("boat")});
    QCOMPARE(World::cell(keywords, 0, QStringLiteral("KEYWORDS")).toString(), QStringLiteral("boat"));
    QCOMPARE(world.pane(), QString());
}

void MaintenanceTest::gridPendingEditIsWrittenOnReload()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    world.addUrl(QStringLiteral("http://a.example/"));
    world.addKeyword(QStringLiteral("car"));
    world.urls().cmdURLClick();
    world.keywords().cmdKWordClick();
    QVERIFY(
        World::setCell(world.urlGrid(), 0, QStringLiteral("URL"), QStringLiteral("http://pending.example/")));
    QVERIFY(World::setCell(world.keywordGrid(), 0, QStringLiteral("KEYWORDS"), QStringLiteral("pending")));
    world.urls().cmdURLClick();
    world.keywords().cmdKWordClick();
    QCOMPARE(world.urlsStored(), QStringList{QStringLiteral("http://pending.example/")});
    QCOMPARE(world.keywordsStored(), QStringList{QStringLiteral("pending")});
    QCOMPARE(World::cell(world.urlGrid(), 0, QStringLiteral("URL")).toString(),
             QStringLiteral("http://pending.example/"));

    // Also when the reload finds the data source gone.
    QVERIFY(World::setCell(world.keywordGrid(), 0, QStringLiteral("KEYWORDS"), QStringLiteral("written")));
    world.useMissingDataSource();
    world.keywords().cmdKWordClick();
    QCOMPARE(world.keywordsStored(), QStringList{QStringLiteral("written")});
}

void MaintenanceTest::gridRefusedEditIsReportedAndTakenBack()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    world.addKeyword(QStringLiteral("car"));
    world.addKeyword(QStringLiteral("boat"));
    world.keywords().cmdKWordClick();
    qs::store::GridModel *keywords = world.keywordGrid();
    const int boat = World::rowOf(keywords, QStringLiteral("KEYWORDS"), QStringLiteral("boat"));
    QVERIFY(World::setCell(keywords, boat, QStringLiteral("KEYWORDS"), QStringLiteral("car")));
    QVERIFY(!keywords->submit());
    QVERIFY2(world.pane().startsWith(QStringLiteral("Keyword edit Error ")), qPrintable(world.pane()));
    QVERIFY(world.pane().endsWith(QStringLiteral("16\r\n")));
    QCOMPARE(World::cell(keywords, boat, QStringLiteral("KEYWORDS")).toString(), QStringLiteral("boat"));
    QVERIFY(!keywords->isDirty());
    QCOMPARE(world.keywordsStored(), (QStringList{QStringLiteral("boat"), QStringLiteral("car")}));

    // A value the column cannot hold is refused the same way.
    world.state.clear(Field::txtEtrap);
    world.addUrl(QStringLiteral("http://a.example/"), 50);
    world.urls().cmdURLClick();
    qs::store::GridModel *urls = world.urlGrid();
    QVERIFY(World::setCell(urls, 0, QStringLiteral("SCENS"), QStringLiteral("many")));
    if (backend == Backend::Postgres) {
        QVERIFY(!urls->submit());
        QVERIFY2(world.pane().startsWith(QStringLiteral("URL edit Error ")), qPrintable(world.pane()));
        QCOMPARE(World::cell(urls, 0, QStringLiteral("SCENS")).toInt(), 50);
    } else {
        // SQLite keeps any value in any column; the grid shows what it stored.
        QVERIFY(urls->submit());
        QCOMPARE(World::cell(urls, 0, QStringLiteral("SCENS")).toString(),
                 world.db.value(QStringLiteral("SELECT SCENS FROM listen")).toString());
    }
}

void MaintenanceTest::gridNewUrlRowTakesTheTableDefaults()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    world.addUrl(QStringLiteral("http://a.example/"));
    world.urls().cmdURLClick();
    qs::store::GridModel *urls = world.urlGrid();
    const int row = world.urls().grid().addRow();
    QCOMPARE(row, 1);
    QVERIFY(World::setCell(urls, row, QStringLiteral("URL"), QStringLiteral("http://new.example/")));
    QVERIFY(urls->submit());
    const QVariantList stored =
        world.db
            .rows(
                QStringLiteral("SELECT ID, DAGEN, TAL, SCENS FROM listen WHERE URL = 'http://new.example/'"))
            .value(0);
    QVERIFY(!stored.value(0).isNull());
    QCOMPARE(stored.value(1).toDate(), QDate(2003, 1, 1));
    QCOMPARE(stored.value(2).toInt(), 0);
    QCOMPARE(stored.value(3).toInt(), 50);
    // Read back, the grid shows the key and the defaults of the new row.
    const int shown = World::rowOf(urls, QStringLiteral("URL"), QStringLiteral("http://new.example/"));
    QVERIFY(shown >= 0);
    QCOMPARE(World::cell(urls, shown, QStringLiteral("ID")).toInt(), stored.value(0).toInt());
    QCOMPARE(World::cell(urls, shown, QStringLiteral("SCENS")).toInt(), 50);
    QCOMPARE(World::cell(urls, shown, QStringLiteral("DAGEN")).toDate(), QDate(2003, 1, 1));
    QCOMPARE(world.pane(), QString());
}

void MaintenanceTest::gridNewRowLeftEmptyIsDropped()
{
    World world;
    world.addKeyword(QStringLiteral("car"));
    world.keywords().cmdKWordClick();
    qs::store::GridModel *keywords = world.keywordGrid();
    const int row = world.keywords().grid().addRow();
    QCOMPARE(keywords->rowCount(), 2);
    QVERIFY(World::setCell(keywords, row, QStringLiteral("KEYWORDS"), QStringLiteral("  ")));
    QVERIFY(keywords->submit());
    QCOMPARE(keywords->rowCount(), 1);
    QCOMPARE(world.db.count(QStringLiteral("keyword")), 1);
    QCOMPARE(world.pane(), QString());

    // A second new row while one is open replaces it.
    world.keywords().grid().addRow();
    QCOMPARE(world.keywords().grid().addRow(), 1);
    QCOMPARE(keywords->rowCount(), 2);
    // Deleting a new row only takes it away again: nothing to ask.
    QVERIFY(world.keywords().grid().deleteRow(1));
    QCOMPARE(keywords->rowCount(), 1);
    QVERIFY(world.prompts.confirmations.isEmpty());
}

void MaintenanceTest::gridRefusedNewRowIsTakenBack()
{
    World world;
    world.addKeyword(QStringLiteral("car"));
    world.keywords().cmdKWordClick();
    qs::store::GridModel *keywords = world.keywordGrid();
    const int row = world.keywords().grid().addRow();
    QVERIFY(World::setCell(keywords, row, QStringLiteral("KEYWORDS"), QStringLiteral("car")));
    QVERIFY(!keywords->submit());
    QVERIFY(world.pane().startsWith(QStringLiteral("Keyword edit Error ")));
    QCOMPARE(keywords->rowCount(), 1);
    QCOMPARE(world.db.count(QStringLiteral("keyword")), 1);
}

void MaintenanceTest::gridDeleteAsksFirst()
{
    QFETCH(Backend, backend);
    WORLD(world, backend);
    world.addUrl(QStringLiteral("http://a.example/"));
    world.addUrl(QStringLiteral("http://b.example/"));
    world.addKeyword(QStringLiteral("car"));
    world.addKeyword(QStringLiteral("boat"));
    world.urls().cmdURLClick();
    world.keywords().cmdKWordClick();

    world.prompts.confirmAnswer = false;
    QVERIFY(!world.urls().grid().deleteRow(0));
    QCOMPARE(world.prompts.confirmations,
             QStringList{QStringLiteral("Delete the URL http://a.example/ from the list?")});
    QCOMPARE(world.db.count(QStringLiteral("listen")), 2);

    world.prompts.confirmAnswer = true;
    QVERIFY(world.urls().grid().deleteRow(0));
    QCOMPARE(world.urlsStored(), QStringList{QStringLiteral("http://b.example/")});
    QCOMPARE(world.urlGrid()->rowCount(), 1);
    QCOMPARE(World::cell(world.urlGrid(), 0, QStringLiteral("URL")).toString(),
             QStringLiteral("http://b.example/"));

    qs::store::GridModel *keywords = world.keywordGrid();
    QVERIFY(world.keywords().grid().deleteRow(
        World::rowOf(keywords, QStringLiteral("KEYWORDS"), QStringLiteral("car"))));
    QCOMPARE(world.prompts.confirmations.last(), QStringLiteral("Delete the keyword car from the list?"));
    QCOMPARE(world.keywordsStored(), QStringList{QStringLiteral("boat")});
    QCOMPARE(keywords->rowCount(), 1);
    QCOMPARE(world.pane(), QString());
}

void MaintenanceTest::gridDeleteWritesAnotherPendingRowFirst()
{
    World world;
    for (const char *keyword : {"apple", "boat", "car"})
        world.addKeyword(QString::fromLatin1(keyword));
    world.keywords().cmdKWordClick();
    qs::store::GridModel *keywords = world.keywordGrid();
    // The edit moves "apple" behind "car" once written and read back.
    QVERIFY(World::setCell(keywords, 0, QStringLiteral("KEYWORDS"), QStringLiteral("zebra")));
    world.prompts.confirmAnswer = true;
    QVERIFY(world.keywords().grid().deleteRow(
        World::rowOf(keywords, QStringLiteral("KEYWORDS"), QStringLiteral("boat"))));
    QCOMPARE(world.keywordsStored(), (QStringList{QStringLiteral("car"), QStringLiteral("zebra")}));
}

// --- The data-source name ------------------------------------------------------------------

void MaintenanceTest::everyCommandReadsTheNameAfresh()
{
    World first;
    World second;
    second.addKeyword(QStringLiteral("from the second"));
    first.addKeyword(QStringLiteral("from the first"));
    first.keywords().cmdKWordClick();
    QCOMPARE(World::cell(first.keywordGrid(), 0, QStringLiteral("KEYWORDS")).toString(),
             QStringLiteral("from the first"));

    first.settings.write(qs::app::keys::Dsn, second.db.name());
    first.keywords().cmdKWordClick();
    QCOMPARE(first.state.text(Field::txtDB), second.db.name());
    QCOMPARE(first.state.strConn(), QStringLiteral("DSN=") + second.db.name());
    QCOMPARE(World::cell(first.keywordGrid(), 0, QStringLiteral("KEYWORDS")).toString(),
             QStringLiteral("from the second"));

    first.prompts.textAnswers = QStringList{QStringLiteral("http://second.example/")};
    first.urls().cmdAddClick();
    QCOMPARE(second.urlsStored(), QStringList{QStringLiteral("http://second.example/")});
    QCOMPARE(first.db.count(QStringLiteral("listen")), 0);
}

QTEST_GUILESS_MAIN(MaintenanceTest)
#include "tst_maintenance.moc"
