#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "core/app/runstate.h"
#include "core/app/settingsstore.h"
#include "fakeclock.h"
#include "loopbackhttpserver.h"
#include "recordingprompts.h"
#include "core/scan/dailyscheduler.h"
#include "core/engine.h"
#include "core/scan/scanrun.h"
#include "testdatasource.h"

using qs::app::Field;
using qs::test::LoopbackHttpServer;

namespace {

QDateTime at(int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second));
}

// A scanner whose timer never fires by itself: the test ticks it at the moments it chooses.
struct Scheduled
{
    Scheduled()
    {
        settings.write(qs::app::keys::Dsn, db.name());
        http.listen();
        LoopbackHttpServer::Response stall;
        stall.behaviour = LoopbackHttpServer::Behaviour::Stall;
        http.setResponse(QStringLiteral("/stall"), stall);
        qs::scan::Engine::Options options;
        options.requestTimeout = std::chrono::milliseconds(20000);
        options.tickInterval = std::chrono::hours(1);
        engine = std::make_unique<qs::scan::Engine>(settings, prompts, clock, options);
        QObject::disconnect(&engine->run(), &qs::scan::ScanRun::reportReady, engine.get(), nullptr);
        engine->load();
    }

    qs::scan::DailyScheduler &scheduler() { return *engine->scheduler(); }
    qs::scan::ScanRun &run() { return engine->run(); }
    qs::app::RunState &state() { return engine->state(); }
    void tickAt(const QDateTime &moment)
    {
        clock.set(moment);
        scheduler().timer1Timer();
    }
    // A URL whose server never answers keeps a run under way.
    void addStalledUrl()
    {
        db.exec(QStringLiteral("INSERT INTO listen (URL) VALUES (?)"),
                {http.url(QStringLiteral("/stall")).toString()});
        db.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES ('car')"));
    }

    QTemporaryDir dir;
    qs::test::TestDataSource db{qs::test::Backend::Sqlite};
    qs::app::SettingsStore settings{dir.filePath(QStringLiteral("settings.conf"))};
    qs::test::RecordingPrompts prompts;
    qs::test::FakeClock clock{at(6, 11, 0)};
    LoopbackHttpServer http;
    std::unique_ptr<qs::scan::Engine> engine;
};

} // namespace

class SchedulerTest : public QObject
{
    Q_OBJECT
private slots:
    void ticksEveryThirtySixSecondsFromTheStart();
    void leftAloneItStartsAtNoon();
    void hourTextsThatNeverMatch_data();
    void hourTextsThatNeverMatch();
    void noSecondStartWhileTheFirstRunIsUnderWay();
    void settingTheCurrentHourInMinuteZeroStartsAtOnce();
    void settingTheSameHourOnlyRewritesTheStatus();
    void scheduledMinuteDuringAManualRunLeavesItAlone();
    void runsOnceADayForWeeks();
    void dateLabelFollowsMidnight();
};

void SchedulerTest::ticksEveryThirtySixSecondsFromTheStart()
{
    Scheduled world;
    qs::scan::Engine engine(world.settings, world.prompts, world.clock);
    QVERIFY(engine.scheduler()->timer().isActive());
    QCOMPARE(engine.scheduler()->timer().interval(), 36000);
}

void SchedulerTest::leftAloneItStartsAtNoon()
{
    Scheduled world;
    world.state().setText(Field::txtResultat, QStringLiteral("old report"));
    world.state().setText(Field::txtEtrap, QStringLiteral("old errors"));
    QSignalSpy started(&world.run(), &qs::scan::ScanRun::runStarted);
    QSignalSpy ended(&world.run(), &qs::scan::ScanRun::runEnded);

    world.tickAt(at(6, 11, 59, 40));
    QCOMPARE(started.count(), 0);
    QCOMPARE(world.state().text(Field::txtResultat), QStringLiteral("old report"));

    world.tickAt(at(6, 12, 0, 16));
    QCOMPARE(started.count(), 1);
    QVERIFY(!ended.isEmpty() || ended.wait(5000));
    QVERIFY(world.state().text(Field::txtResultat).startsWith(QStringLiteral("scannet ")));
    QCOMPARE(world.state().text(Field::txtEtrap), QString());
    QCOMPARE(world.state().text(Field::lblBDone), QStringLiteral("ikke"));

    // The run was quick, but the minute is not over: no second start to wipe its report.
    world.tickAt(at(6, 12, 0, 52));
    QCOMPARE(started.count(), 1);
    QVERIFY(world.state().text(Field::txtResultat).startsWith(QStringLiteral("scannet ")));
}

void SchedulerTest::hourTextsThatNeverMatch_data()
{
    QTest::addColumn<QString>("hourText");
    QTest::addColumn<int>("hour");
    QTest::newRow("leading zero") << QStringLiteral("07") << 7;
    QTest::newRow("leading blank") << QStringLiteral(" 7") << 7;
    QTest::newRow("twenty-four at midnight") << QStringLiteral("24") << 0;
    QTest::newRow("not a number") << QStringLiteral("seven") << 7;
}

void SchedulerTest::hourTextsThatNeverMatch()
{
    QFETCH(QString, hourText);
    QFETCH(int, hour);
    Scheduled world;
    world.clock.set(at(6, 10, 30));
    world.scheduler().cmdTimeClick(hourText);
    QCOMPARE(world.state().text(Field::txtKL), hourText);
    QCOMPARE(world.state().text(Field::lblRun), QStringLiteral("Timer set to: ") + hourText);
    QSignalSpy started(&world.run(), &qs::scan::ScanRun::runStarted);
    for (int second : {0, 36})
        world.tickAt(at(7, hour, 0, second));
    QCOMPARE(started.count(), 0);
}

void SchedulerTest::noSecondStartWhileTheFirstRunIsUnderWay()
{
    Scheduled world;
    world.addStalledUrl();
    QSignalSpy started(&world.run(), &qs::scan::ScanRun::runStarted);
    world.tickAt(at(6, 12, 0, 5));
    QCOMPARE(started.count(), 1);
    QCOMPARE(world.state().text(Field::lblBDone), QStringLiteral("har"));
    QTRY_COMPARE(world.http.requestCount(QStringLiteral("/stall")), 1);
    world.state().append(Field::txtEtrap, QStringLiteral("an error of this run\r\n"));

    world.tickAt(at(6, 12, 0, 41));
    QCOMPARE(started.count(), 1);
    QCOMPARE(world.state().text(Field::txtEtrap), QStringLiteral("an error of this run\r\n"));
    QVERIFY(world.run().isRunning());
}

void SchedulerTest::settingTheCurrentHourInMinuteZeroStartsAtOnce()
{
    Scheduled world;
    QSignalSpy started(&world.run(), &qs::scan::ScanRun::runStarted);
    world.clock.set(at(6, 15, 0, 30));
    world.scheduler().cmdTimeClick(QStringLiteral("15"));
    QCOMPARE(started.count(), 1);
    QCOMPARE(world.state().text(Field::txtKL), QStringLiteral("15"));
}

void SchedulerTest::settingTheSameHourOnlyRewritesTheStatus()
{
    Scheduled world;
    QSignalSpy started(&world.run(), &qs::scan::ScanRun::runStarted);
    world.clock.set(at(6, 12, 0, 30));
    world.scheduler().cmdTimeClick(QStringLiteral("12"));
    QCOMPARE(world.state().text(Field::lblRun), QStringLiteral("Timer set to: 12"));
    QCOMPARE(started.count(), 0);
    QCOMPARE(world.state().text(Field::lblDato), QStringLiteral("2026-12-06"));
}

void SchedulerTest::scheduledMinuteDuringAManualRunLeavesItAlone()
{
    Scheduled world;
    world.addStalledUrl();
    world.clock.set(at(6, 11, 59, 50));
    QVERIFY(world.run().start());
    QTRY_COMPARE(world.http.requestCount(QStringLiteral("/stall")), 1);
    world.state().append(Field::txtResultat, QStringLiteral("found so far\r\n"));
    world.state().append(Field::txtEtrap, QStringLiteral("errors so far\r\n"));
    QSignalSpy started(&world.run(), &qs::scan::ScanRun::runStarted);

    world.tickAt(at(6, 12, 0, 10));
    QCOMPARE(started.count(), 0);
    QCOMPARE(world.state().text(Field::txtResultat), QStringLiteral("found so far\r\n"));
    QCOMPARE(world.state().text(Field::txtEtrap), QStringLiteral("errors so far\r\n"));
    QVERIFY(world.run().isRunning());
    QCOMPARE(world.http.requestCount(QStringLiteral("/stall")), 1);
}

void SchedulerTest::runsOnceADayForWeeks()
{
    Scheduled world;
    QSignalSpy started(&world.run(), &qs::scan::ScanRun::runStarted);
    QSignalSpy ended(&world.run(), &qs::scan::ScanRun::runEnded);
    for (int day = 1; day <= 21; ++day) {
        // One day the data source is gone: that run ends all the same, and the next day comes.
        world.settings.write(qs::app::keys::Dsn, day == 10 ? QStringLiteral("Gone") : world.db.name());
        for (const QTime &tick : {QTime(11, 59, 32), QTime(12, 0, 8), QTime(12, 0, 44), QTime(12, 1, 20)}) {
            world.clock.set(QDateTime(QDate(2026, 12, 1).addDays(day), tick));
            world.scheduler().timer1Timer();
            QTRY_COMPARE(ended.count(), started.count());
        }
        QCOMPARE(started.count(), day);
        QCOMPARE(world.state().text(Field::lblBDone), QStringLiteral("ikke"));
        QCOMPARE(world.state().text(Field::lblDato), QDate(2026, 12, 1).addDays(day).toString(Qt::ISODate));
    }
}

void SchedulerTest::dateLabelFollowsMidnight()
{
    Scheduled world;
    world.tickAt(at(6, 23, 59, 50));
    QCOMPARE(world.state().text(Field::lblDato), QStringLiteral("2026-12-06"));
    world.tickAt(at(7, 0, 0, 26));
    QCOMPARE(world.state().text(Field::lblDato), QStringLiteral("2026-12-07"));
}

QTEST_GUILESS_MAIN(SchedulerTest)
#include "tst_scheduler.moc"
