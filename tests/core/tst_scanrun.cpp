#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "core/app/runstate.h"
#include "core/app/settingsstore.h"
#include "fakeclock.h"
#include "loopbackhttpserver.h"
#include "recordingprompts.h"
#include "core/engine.h"
#include "core/scan/pagefetcher.h"
#include "core/scan/scanrun.h"
#include "testdatasource.h"

using qs::app::Field;
using qs::test::Backend;
using qs::test::LoopbackHttpServer;

namespace {

const QString CrLf = QStringLiteral("\r\n");

QByteArray carPage(const QByteArray &extra = {})
{
    return "<html><head><title>Cars</title></head><body><p>my car is red and the car is fast" + extra +
           "</p></body></html>";
}

// One scanner with its own database, settings, web server and clock.
struct World
{
    explicit World(Backend backend = Backend::Sqlite)
        : db(backend)
    {
        settings.write(qs::app::keys::Dsn, db.name());
        http.listen();
        qs::scan::Engine::Options options;
        options.requestTimeout = std::chrono::milliseconds(3000);
        options.withScheduler = false;
        engine = std::make_unique<qs::scan::Engine>(settings, prompts, clock, options);
        // The result mail has tests of its own; here the run's report is what counts.
        QObject::disconnect(&engine->run(), &qs::scan::ScanRun::reportReady, engine.get(), nullptr);
        // Each pass clears the fields of the one before; keep what they last showed.
        QObject::connect(&engine->state(), &qs::app::RunState::fieldChanged, engine.get(),
                         [this](Field field) {
                             if (!engine->state().text(field).isEmpty())
                                 shown[field] = engine->state().text(field);
                         });
        QObject::connect(&engine->state(), &qs::app::RunState::fieldAppended, engine.get(),
                         [this](Field field) { shown[field] = engine->state().text(field); });
        engine->load();
    }

    QVariant addUrl(const QString &url, const QVariant &sensitivity = 50)
    {
        db.exec(QStringLiteral("INSERT INTO listen (URL, SCENS) VALUES (?, ?)"), {url, sensitivity});
        return db.value(QStringLiteral("SELECT MAX(ID) FROM listen"));
    }
    void addKeyword(const QString &keyword)
    {
        db.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES (?)"), {keyword});
    }
    QString url(const QString &path) const { return http.url(path).toString(); }
    const QString &text(Field field) { return engine->state().text(field); }

    // Starts a run and waits for its end step.
    bool runToEnd(int timeoutMs = 15000)
    {
        QSignalSpy ended(&engine->run(), &qs::scan::ScanRun::runEnded);
        if (!engine->run().start())
            return false;
        return !ended.isEmpty() || ended.wait(timeoutMs);
    }
    void nextDay()
    {
        clock.advance(std::chrono::hours(24));
        engine->load();
        engine->state().clear(Field::txtResultat);
        engine->state().clear(Field::txtEtrap);
    }
    QVariantList hit(const QVariant &id, const QString &keyword)
    {
        return db
            .rows(QStringLiteral("SELECT KWID, KWORD, TALSUM FROM kw WHERE KWID = ? AND KWORD = ?"),
                  {id, keyword})
            .value(0);
    }

    QTemporaryDir dir;
    qs::test::TestDataSource db;
    qs::app::SettingsStore settings{dir.filePath(QStringLiteral("settings.conf"))};
    qs::test::RecordingPrompts prompts;
    qs::test::FakeClock clock{QDateTime(QDate(2026, 12, 6), QTime(12, 0, 5))};
    LoopbackHttpServer http;
    std::unique_ptr<qs::scan::Engine> engine;
    QHash<Field, QString> shown;
};

} // namespace

class ScanRunTest : public QObject
{
    Q_OBJECT
private slots:
    void emptyQueueEndsAtOnce();
    void newThenUnchangedThenChangedOverDays_data();
    void newThenUnchangedThenChangedOverDays();
    void reportEntryListsTitleKeywordsAndUrl();
    void requestCarriesTheOneHeaderAndTheBlockIsRebuilt();
    void badStatusIsLoggedAndThePageStillSearched();
    void unresolvableHostWritesTwoBlocksAndGoesOn();
    void refusedConnectionGoesOn();
    void stalledResponseTimesOutAndGoesOn();
    void bodyCutMidwayIsNotScored();
    void oversizedPageIsCutAndSaysSo();
    void urlsThatCannotBeRequestedAreSkipped_data();
    void urlsThatCannotBeRequestedAreSkipped();
    void urlWithoutSchemeIsRequestedOverHttp();
    void emptyUrlRowIsSkipped();
    void missingSensitivitySkipsTheSearch();
    void emptyKeywordTableEndsTheRunOnce();
    void blankKeywordsAreSkipped();
    void unreadableKeywordTableGoesOn();
    void dateThatCannotBeWrittenEndsTheRun();
    void rowTakenByAnotherScannerIsNotFetched();
    void keywordsWithQuotesAreStoredOnce();
    void idsBeyondSixteenBitsKeepWorking();
    void missingDataSourceShowsTheMessage();
    void secondStartWhileRunningIsRefused();
};

void ScanRunTest::emptyQueueEndsAtOnce()
{
    World world;
    QVERIFY(world.runToEnd());
    QCOMPARE(world.text(Field::lblRun), QStringLiteral("Stoppet"));
    QCOMPARE(world.text(Field::lblBDone), QStringLiteral("ikke"));
    QVERIFY(world.text(Field::txtResultat).startsWith(QStringLiteral("scannet ")));
    QVERIFY(world.prompts.messages.isEmpty());
    QVERIFY(!world.engine->run().isRunning());
}

void ScanRunTest::newThenUnchangedThenChangedOverDays_data()
{
    QTest::addColumn<Backend>("backend");
    QTest::newRow("sqlite") << Backend::Sqlite;
    QTest::newRow("postgresql") << Backend::Postgres;
}

void ScanRunTest::newThenUnchangedThenChangedOverDays()
{
    QFETCH(Backend, backend);
    World world(backend);
    QVERIFY2(world.db.isValid(), qPrintable(world.db.error()));
    world.addKeyword(QStringLiteral("car"));
    world.http.setResponse(QStringLiteral("/cars"), LoopbackHttpServer::page(carPage()));
    const QVariant id = world.addUrl(world.url(QStringLiteral("/cars")), 10);

    // Day 1: "car" twice; the text after the cut is "is red and the car is fast".
    QVERIFY(world.runToEnd());
    QCOMPARE(world.hit(id, QStringLiteral("car")).value(2).toInt(), 25);
    QVERIFY(world.text(Field::txtResultat)
                .contains(QStringLiteral("Found keywords; ") + CrLf + QStringLiteral("car") + CrLf));
    QVERIFY(world.text(Field::txtResultat).contains(QStringLiteral("Scan complet @ ")));
    QCOMPARE(world.db.value(QStringLiteral("SELECT TAL FROM listen")).toInt(), 1);
    QCOMPARE(world.db.value(QStringLiteral("SELECT DAGEN FROM listen")).toDate(), QDate(2026, 12, 6));

    // The same day nothing is due any more.
    world.engine->state().clear(Field::txtResultat);
    QVERIFY(world.runToEnd());
    QCOMPARE(world.http.requestCount(QStringLiteral("/cars")), 1);
    QVERIFY(world.text(Field::txtResultat).startsWith(QStringLiteral("scannet ")));

    // Day 2: five more characters, within the sensitivity of 10.
    world.nextDay();
    world.http.setResponse(QStringLiteral("/cars"), LoopbackHttpServer::page(carPage(" and")));
    QVERIFY(world.runToEnd());
    QVERIFY(world.text(Field::txtResultat).startsWith(QStringLiteral("scannet ")));
    QCOMPARE(world.hit(id, QStringLiteral("car")).value(2).toInt(), 25);
    QCOMPARE(world.text(Field::lblPoints), QStringLiteral("0"));

    // Day 3: eleven more than stored: reported as changed, and the stored length moves.
    world.nextDay();
    world.http.setResponse(QStringLiteral("/cars"), LoopbackHttpServer::page(carPage(" and red!!!")));
    QVERIFY(world.runToEnd());
    QVERIFY(world.text(Field::txtResultat).contains(QStringLiteral("Found keywords; ")));
    QCOMPARE(world.hit(id, QStringLiteral("car")).value(2).toInt(), 36);
    QCOMPARE(world.db.count(QStringLiteral("kw")), 1);
    QCOMPARE(world.db.value(QStringLiteral("SELECT TAL FROM listen")).toInt(), 3);
    QCOMPARE(world.text(Field::txtEtrap), QString());
}

void ScanRunTest::reportEntryListsTitleKeywordsAndUrl()
{
    World world;
    world.addKeyword(QStringLiteral("boat"));
    world.addKeyword(QStringLiteral("car"));
    world.http.setResponse(
        QStringLiteral("/home"),
        LoopbackHttpServer::page("<html><head><title>Home</title></head><body>a car or a boat, "
                                 "the car and the boat are here</body></html>"));
    const QString url = world.url(QStringLiteral("/home"));
    world.addUrl(url);
    QVERIFY(world.runToEnd());
    // The last keyword loaded is searched first.
    const QString entry = CrLf + QStringLiteral("@ Home") + CrLf + QStringLiteral("Found keywords; ") + CrLf +
                          QStringLiteral("car") + CrLf + QStringLiteral("boat") + CrLf +
                          QStringLiteral("Click to go ") + url + CrLf + CrLf;
    QVERIFY2(world.text(Field::txtResultat).startsWith(entry), qPrintable(world.text(Field::txtResultat)));
    QCOMPARE(world.shown.value(Field::txtkw),
             QStringLiteral(" boat ") + CrLf + QStringLiteral(" car ") + CrLf);
}

void ScanRunTest::requestCarriesTheOneHeaderAndTheBlockIsRebuilt()
{
    World world;
    world.addKeyword(QStringLiteral("car"));
    LoopbackHttpServer::Response response = LoopbackHttpServer::page(carPage());
    response.headers.append(std::pair(QByteArrayLiteral("X-Served-By"), QByteArrayLiteral("loopback")));
    world.http.setResponse(QStringLiteral("/cars"), response);
    world.addUrl(world.url(QStringLiteral("/cars")));
    QVERIFY(world.runToEnd());

    const QList<QByteArray> lines = LoopbackHttpServer::headerLines(world.http.requestHeads().value(0));
    QCOMPARE(lines.count("user-agent: Mozilla/4.0 (compatible; MSIE 6.0;)"), 1);
    QVERIFY(world.http.requestHeads().value(0).startsWith("GET /cars HTTP/1.1\r\n"));
    const QString header = world.shown.value(Field::lblServerRapport);
    QVERIFY2(header.startsWith(QStringLiteral("HTTP/1.1 200 OK\r\n")), qPrintable(header));
    QVERIFY(header.contains(QStringLiteral("X-Served-By: loopback\r\n")));
    QCOMPARE(world.shown.value(Field::txtTitle), QStringLiteral("Cars"));
    QCOMPARE(world.text(Field::lblError), QStringLiteral("Database Okay"));
}

void ScanRunTest::badStatusIsLoggedAndThePageStillSearched()
{
    World world;
    world.addKeyword(QStringLiteral("car"));
    LoopbackHttpServer::Response missing = LoopbackHttpServer::page(carPage());
    missing.status = 404;
    missing.reason = "Not Found";
    world.http.setResponse(QStringLiteral("/gone"), missing);
    const QString url = world.url(QStringLiteral("/gone"));
    const QVariant id = world.addUrl(url);
    QVERIFY(world.runToEnd());
    QVERIFY2(world.text(Field::txtEtrap)
                 .startsWith(QStringLiteral("Error in Header ") + url + CrLf +
                             QStringLiteral("HTTP/1.1 404 Not Found\r\n")),
             qPrintable(world.text(Field::txtEtrap)));
    QCOMPARE(world.hit(id, QStringLiteral("car")).value(2).toInt(), 25);
}

void ScanRunTest::unresolvableHostWritesTwoBlocksAndGoesOn()
{
    World world;
    // Long enough for a slow name server to answer "no such host" before the limit.
    world.engine->fetcher().setRequestTimeout(std::chrono::seconds(20));
    world.addKeyword(QStringLiteral("car"));
    world.addUrl(QStringLiteral("http://no-such-host.invalid/"));
    world.http.setResponse(QStringLiteral("/cars"), LoopbackHttpServer::page(carPage()));
    const QVariant second = world.addUrl(world.url(QStringLiteral("/cars")));
    QVERIFY(world.runToEnd());

    const QString url = QStringLiteral("http://no-such-host.invalid/");
    const QString &errors = world.text(Field::txtEtrap);
    QVERIFY2(errors.startsWith(url + CrLf + QStringLiteral("11")), qPrintable(errors));
    const qsizetype second0 = errors.indexOf(CrLf + CrLf + url + CrLf + QStringLiteral(" 0"));
    QVERIFY2(second0 > 0, qPrintable(errors));
    QVERIFY(errors.contains(QStringLiteral("Error in Header ") + url + CrLf + CrLf));
    QVERIFY(!world.hit(second, QStringLiteral("car")).isEmpty());
}

void ScanRunTest::refusedConnectionGoesOn()
{
    World world;
    world.addKeyword(QStringLiteral("car"));
    LoopbackHttpServer closed;
    QVERIFY(closed.listen());
    const QString deadUrl = closed.url(QStringLiteral("/")).toString();
    closed.close();
    world.addUrl(deadUrl);
    world.http.setResponse(QStringLiteral("/cars"), LoopbackHttpServer::page(carPage()));
    const QVariant second = world.addUrl(world.url(QStringLiteral("/cars")));
    QVERIFY(world.runToEnd());
    QVERIFY2(world.text(Field::txtEtrap).startsWith(deadUrl + CrLf + QStringLiteral("11")),
             qPrintable(world.text(Field::txtEtrap)));
    QVERIFY(!world.hit(second, QStringLiteral("car")).isEmpty());
}

void ScanRunTest::stalledResponseTimesOutAndGoesOn()
{
    World world;
    world.engine->fetcher().setRequestTimeout(std::chrono::milliseconds(300));
    world.addKeyword(QStringLiteral("car"));
    LoopbackHttpServer::Response stall;
    stall.behaviour = LoopbackHttpServer::Behaviour::Stall;
    world.http.setResponse(QStringLiteral("/stall"), stall);
    world.addUrl(world.url(QStringLiteral("/stall")));
    world.http.setResponse(QStringLiteral("/cars"), LoopbackHttpServer::page(carPage()));
    const QVariant second = world.addUrl(world.url(QStringLiteral("/cars")));
    QVERIFY(world.runToEnd());
    const QString &errors = world.text(Field::txtEtrap);
    QVERIFY2(errors.startsWith(world.url(QStringLiteral("/stall")) + CrLf + QStringLiteral("11")),
             qPrintable(errors));
    QVERIFY(errors.contains(QStringLiteral("Err : ***** Timout ***** ") + CrLf + CrLf));
    QVERIFY(!world.hit(second, QStringLiteral("car")).isEmpty());
}

void ScanRunTest::bodyCutMidwayIsNotScored()
{
    World world;
    world.addKeyword(QStringLiteral("car"));
    LoopbackHttpServer::Response cut = LoopbackHttpServer::page(carPage() + QByteArray(4000, ' '));
    cut.behaviour = LoopbackHttpServer::Behaviour::CutMidway;
    world.http.setResponse(QStringLiteral("/cut"), cut);
    world.addUrl(world.url(QStringLiteral("/cut")));
    QVERIFY(world.runToEnd());
    QCOMPARE(world.db.count(QStringLiteral("kw")), 0);
    QVERIFY(world.text(Field::txtEtrap)
                .startsWith(world.url(QStringLiteral("/cut")) + CrLf + QStringLiteral("11")));
    QVERIFY(!world.shown.contains(Field::txtHTML));
}

void ScanRunTest::oversizedPageIsCutAndSaysSo()
{
    World world;
    world.engine->fetcher().setMaxBodyBytes(200);
    world.addKeyword(QStringLiteral("car"));
    world.http.setResponse(QStringLiteral("/big"),
                           LoopbackHttpServer::page(carPage() + QByteArray(100000, 'x')));
    const QString url = world.url(QStringLiteral("/big"));
    const QVariant id = world.addUrl(url);
    QVERIFY(world.runToEnd());
    QVERIFY2(
        world.text(Field::txtEtrap).contains(QStringLiteral("Fetch Error ") + url + QStringLiteral(" 7")),
        qPrintable(world.text(Field::txtEtrap)));
    // The first part is still analysed.
    QCOMPARE(world.shown.value(Field::txtHTML).size(), 200);
    QCOMPARE(world.hit(id, QStringLiteral("car")).value(2).toInt(), 25);
}

void ScanRunTest::urlsThatCannotBeRequestedAreSkipped_data()
{
    QTest::addColumn<QString>("stored");
    QTest::newRow("file") << QStringLiteral("file:///etc/passwd");
    QTest::newRow("file without slashes") << QStringLiteral("file:/etc/passwd");
    QTest::newRow("ftp") << QStringLiteral("ftp://example.org/x");
    QTest::newRow("data") << QStringLiteral("data:text/html,car car car");
    QTest::newRow("blanks only") << QStringLiteral("   ");
}

void ScanRunTest::urlsThatCannotBeRequestedAreSkipped()
{
    QFETCH(QString, stored);
    World world;
    world.addKeyword(QStringLiteral("car"));
    world.addUrl(stored);
    world.http.setResponse(QStringLiteral("/cars"), LoopbackHttpServer::page(carPage()));
    const QVariant second = world.addUrl(world.url(QStringLiteral("/cars")));
    QVERIFY(world.runToEnd());
    QVERIFY2(world.text(Field::txtEtrap).contains(QStringLiteral(" Error ")),
             qPrintable(world.text(Field::txtEtrap)));
    QVERIFY(world.text(Field::txtEtrap).endsWith(QStringLiteral("16") + CrLf));
    QCOMPARE(world.text(Field::txtEtrap).count(CrLf), 1);
    QVERIFY(!world.hit(second, QStringLiteral("car")).isEmpty());
    QCOMPARE(world.db.count(QStringLiteral("kw")), 1);
}

void ScanRunTest::urlWithoutSchemeIsRequestedOverHttp()
{
    World world;
    world.addKeyword(QStringLiteral("car"));
    world.http.setResponse(QStringLiteral("/cars"), LoopbackHttpServer::page(carPage()));
    const QString stored = QStringLiteral("  127.0.0.1:%1/cars ").arg(world.http.port());
    const QVariant id = world.addUrl(stored);
    QVERIFY(world.runToEnd());
    QCOMPARE(world.http.requestCount(QStringLiteral("/cars")), 1);
    QCOMPARE(world.shown.value(Field::txtURL), stored);
    QVERIFY(!world.hit(id, QStringLiteral("car")).isEmpty());
}

void ScanRunTest::emptyUrlRowIsSkipped()
{
    World world;
    world.addKeyword(QStringLiteral("car"));
    QVERIFY(world.db.exec(QStringLiteral("INSERT INTO listen (URL) VALUES (NULL)")));
    const QVariant empty = world.db.value(QStringLiteral("SELECT ID FROM listen"));
    world.http.setResponse(QStringLiteral("/cars"), LoopbackHttpServer::page(carPage()));
    const QVariant second = world.addUrl(world.url(QStringLiteral("/cars")));
    QVERIFY(world.runToEnd());
    QCOMPARE(world.text(Field::txtEtrap),
             QStringLiteral("Database Error 1st.hent ID %1  94Invalid use of Null16").arg(empty.toString()) +
                 CrLf);
    QVERIFY(!world.hit(second, QStringLiteral("car")).isEmpty());
    QCOMPARE(world.db.value(QStringLiteral("SELECT TAL FROM listen WHERE ID = ?"), {empty}).toInt(), 1);
}

void ScanRunTest::missingSensitivitySkipsTheSearch()
{
    World world;
    world.addKeyword(QStringLiteral("car"));
    world.http.setResponse(QStringLiteral("/cars"), LoopbackHttpServer::page(carPage()));
    world.db.exec(QStringLiteral("INSERT INTO listen (URL, SCENS) VALUES (?, NULL)"),
                  {world.url(QStringLiteral("/cars"))});
    world.http.setResponse(QStringLiteral("/more"), LoopbackHttpServer::page(carPage()));
    const QVariant second = world.addUrl(world.url(QStringLiteral("/more")));
    QVERIFY(world.runToEnd());
    // The row's own line for the missing value, then the search that cannot use it.
    const QString &errors = world.text(Field::txtEtrap);
    QVERIFY2(errors.startsWith(QStringLiteral("Database Error 1st.hent ID ")), qPrintable(errors));
    QVERIFY2(errors.contains(CrLf + QStringLiteral("Search Error ") + world.url(QStringLiteral("/cars")) +
                             QStringLiteral(" 13")),
             qPrintable(errors));
    QCOMPARE(world.db.count(QStringLiteral("kw")), 1);
    QVERIFY(!world.hit(second, QStringLiteral("car")).isEmpty());
}

void ScanRunTest::emptyKeywordTableEndsTheRunOnce()
{
    World world;
    world.http.setResponse(QStringLiteral("/cars"), LoopbackHttpServer::page(carPage()));
    world.addUrl(world.url(QStringLiteral("/cars")));
    world.addUrl(world.url(QStringLiteral("/cars")));
    QVERIFY(world.runToEnd());
    QCOMPARE(world.prompts.messages, QStringList{QStringLiteral("There are no KEYWORDS to search for!!")});
    QCOMPARE(world.text(Field::lblRun), QStringLiteral("Stoppet"));
    QCOMPARE(world.text(Field::lblBDone), QStringLiteral("ikke"));
    QVERIFY(world.text(Field::txtResultat).startsWith(QStringLiteral("scannet ")));
    QCOMPARE(world.http.requestCount(QStringLiteral("/cars")), 1);
}

void ScanRunTest::blankKeywordsAreSkipped()
{
    World world;
    world.addKeyword(QStringLiteral("car"));
    world.addKeyword(QStringLiteral("   "));
    world.db.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES (NULL)"));
    world.http.setResponse(QStringLiteral("/cars"), LoopbackHttpServer::page(carPage()));
    const QVariant id = world.addUrl(world.url(QStringLiteral("/cars")));
    QVERIFY(world.runToEnd());
    QCOMPARE(world.db.count(QStringLiteral("kw")), 1);
    QVERIFY(!world.hit(id, QStringLiteral("car")).isEmpty());
    QCOMPARE(world.text(Field::txtEtrap), QString());
}

void ScanRunTest::unreadableKeywordTableGoesOn()
{
    World world;
    world.db.exec(QStringLiteral("DROP TABLE keyword"));
    world.http.setResponse(QStringLiteral("/cars"), LoopbackHttpServer::page(carPage()));
    world.addUrl(world.url(QStringLiteral("/cars")));
    world.addUrl(world.url(QStringLiteral("/cars")) + QStringLiteral("?second"));
    QVERIFY(world.runToEnd());
    QCOMPARE(world.text(Field::txtEtrap).count(QStringLiteral("Keyword Error ")), 2);
    QCOMPARE(world.http.requestCount(QStringLiteral("/cars")), 2);
    QCOMPARE(world.text(Field::lblRun), QStringLiteral("Stoppet"));
}

void ScanRunTest::dateThatCannotBeWrittenEndsTheRun()
{
    World world;
    world.addKeyword(QStringLiteral("car"));
    world.addUrl(world.url(QStringLiteral("/cars")));
    QVERIFY(world.db.exec(QStringLiteral("CREATE TRIGGER no_dates BEFORE UPDATE ON listen "
                                         "BEGIN SELECT RAISE(ABORT, 'read only'); END")));
    QVERIFY(world.runToEnd());
    QVERIFY2(world.text(Field::txtEtrap).startsWith(QStringLiteral("Database Error 1st.hent ID ")),
             qPrintable(world.text(Field::txtEtrap)));
    QCOMPARE(world.text(Field::txtEtrap).count(CrLf), 1);
    QCOMPARE(world.http.requestCount(QStringLiteral("/cars")), 0);
    QCOMPARE(world.text(Field::lblRun), QStringLiteral("Stoppet"));
}

void ScanRunTest::rowTakenByAnotherScannerIsNotFetched()
{
    World world;
    world.addKeyword(QStringLiteral("car"));
    world.http.setResponse(QStringLiteral("/cars"), LoopbackHttpServer::page(carPage()));
    world.addUrl(world.url(QStringLiteral("/first")));
    world.addUrl(world.url(QStringLiteral("/cars")));
    // Another scanner sharing the database takes the first row the moment this one selects it.
    QVERIFY(world.db.exec(
        QStringLiteral("CREATE TRIGGER other_scanner AFTER UPDATE OF DAGEN ON listen "
                       "WHEN NEW.URL LIKE '%/cars' "
                       "BEGIN UPDATE listen SET DAGEN = NEW.DAGEN WHERE URL LIKE '%/first'; END")));
    world.db.exec(QStringLiteral("UPDATE listen SET DAGEN = '2026-12-06' WHERE URL LIKE '%/first'"));
    QVERIFY(world.runToEnd());
    QCOMPARE(world.http.requestCount(QStringLiteral("/first")), 0);
    QCOMPARE(world.http.requestCount(QStringLiteral("/cars")), 1);
}

void ScanRunTest::keywordsWithQuotesAreStoredOnce()
{
    World world;
    world.addKeyword(QStringLiteral("don't"));
    world.addKeyword(QStringLiteral("50%"));
    world.http.setResponse(
        QStringLiteral("/q"),
        LoopbackHttpServer::page("<body>i don't know, 50% off, you don't say, 50% more</body>"));
    const QVariant id = world.addUrl(world.url(QStringLiteral("/q")));
    QVERIFY(world.runToEnd());
    QCOMPARE(world.db.count(QStringLiteral("kw")), 2);
    QVERIFY(!world.hit(id, QStringLiteral("don't")).isEmpty());

    world.nextDay();
    QVERIFY(world.runToEnd());
    QCOMPARE(world.db.count(QStringLiteral("kw")), 2);
    QVERIFY2(world.text(Field::txtResultat).startsWith(QStringLiteral("scannet ")),
             qPrintable(world.text(Field::txtResultat)));
}

void ScanRunTest::idsBeyondSixteenBitsKeepWorking()
{
    World world;
    world.addKeyword(QStringLiteral("car"));
    world.http.setResponse(QStringLiteral("/cars"), LoopbackHttpServer::page(carPage()));
    QVERIFY(world.db.exec(QStringLiteral("INSERT INTO listen (ID, URL, SCENS) VALUES (70000, ?, 40000)"),
                          {world.url(QStringLiteral("/cars"))}));
    QVERIFY(world.runToEnd());
    QCOMPARE(world.hit(70000, QStringLiteral("car")).value(2).toInt(), 25);
    QCOMPARE(world.text(Field::txtEtrap), QString());
}

void ScanRunTest::missingDataSourceShowsTheMessage()
{
    World world;
    world.settings.write(qs::app::keys::Dsn, QStringLiteral("NoSuchSource"));
    QVERIFY(world.runToEnd());
    QCOMPARE(world.prompts.messages,
             QStringList{QStringLiteral("ODBC Drive not found! You need to setup an ODBC connection")});
    QVERIFY(world.engine->run().dataSourceFailed());
    QCOMPARE(world.text(Field::txtDB), QStringLiteral("NoSuchSource"));
    QCOMPARE(world.text(Field::lblRun), QStringLiteral("Stoppet"));
}

void ScanRunTest::secondStartWhileRunningIsRefused()
{
    World world;
    world.addKeyword(QStringLiteral("car"));
    LoopbackHttpServer::Response slow = LoopbackHttpServer::page(carPage());
    slow.behaviour = LoopbackHttpServer::Behaviour::Trickle;
    slow.trickleBytes = 40;
    world.http.setResponse(QStringLiteral("/slow"), slow);
    world.addUrl(world.url(QStringLiteral("/slow")));
    QSignalSpy ended(&world.engine->run(), &qs::scan::ScanRun::runEnded);
    QVERIFY(world.engine->run().start());
    QVERIFY(!world.engine->run().start());
    QVERIFY(ended.wait(10000));
    QCOMPARE(ended.count(), 1);
    QCOMPARE(world.http.requestCount(QStringLiteral("/slow")), 1);
}

QTEST_GUILESS_MAIN(ScanRunTest)
#include "tst_scanrun.moc"
