#include <QSignalSpy>
#include <QtTest>

#include "core/app/runfields.h"
#include "core/scan/dailyscheduler.h"
#include "core/scan/scanrun.h"
#include "scanworld.h"

using namespace Qt::StringLiterals;
using qs::app::Field;
using qs::scan::ScanRun;
using qs::test::LoopbackHttpServer;
using qs::test::ScanWorld;

namespace {

QDateTime at(int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2026, 12, day), QTime(hour, minute, second));
}

// A scanner whose timer never fires by itself: the test ticks it at the moments it chooses.
struct Scheduled : ScanWorld
{
    Scheduled()
        : ScanWorld(qs::test::Backend::Sqlite, options())
    {
        clock.set(at(6, 11, 0));
        engine->load();
        http.setResponse(u"/stall"_s, LoopbackHttpServer::misbehaving(LoopbackHttpServer::Behaviour::Stall));
    }
    static qs::Engine::Options options()
    {
        qs::Engine::Options options = quickOptions();
        options.requestTimeout = std::chrono::seconds(20);
        options.tickInterval = std::chrono::hours(1);
        options.withScheduler = true;
        return options;
    }
    qs::scan::DailyScheduler &scheduler() { return *engine->scheduler(); }
    ScanRun &run() { return engine->run(); }
    void tickAt(const QDateTime &moment)
    {
        clock.set(moment);
        scheduler().timer1Timer();
    }
};

} // namespace

class SchedulerTest : public QObject
{
    Q_OBJECT
private slots:
    void startsOnlyInTheFirstMinuteOfItsHour_data()
    {
        QTest::addColumn<QString>("hourText"); // set with the button at 10:30 (empty: left alone)
        QTest::addColumn<QList<QTime>>("ticks");
        QTest::addColumn<int>("starts");

        const QList<QTime> noonTicks{QTime(11, 59, 40), QTime(12, 0, 16), QTime(12, 0, 52), QTime(12, 1, 28)};
        QTest::newRow("left alone: noon, once") << QString() << noonTicks << 1;
        QTest::newRow("a later minute of the hour")
            << QString() << QList{QTime(12, 1, 0), QTime(12, 59, 59)} << 0;
        QTest::newRow("hour set") << u"7"_s << QList{QTime(7, 0, 30)} << 1;
        QTest::newRow("leading zero") << u"07"_s << QList{QTime(7, 0, 0), QTime(7, 0, 36)} << 0;
        QTest::newRow("leading blank") << u" 7"_s << QList{QTime(7, 0, 0)} << 0;
        QTest::newRow("twenty-four at midnight") << u"24"_s << QList{QTime(0, 0, 0)} << 0;
        QTest::newRow("not a number") << u"seven"_s << QList{QTime(7, 0, 0)} << 0;
    }
    void startsOnlyInTheFirstMinuteOfItsHour()
    {
        QFETCH(QString, hourText);
        QFETCH(QList<QTime>, ticks);
        QFETCH(int, starts);

        Scheduled world;
        if (!hourText.isEmpty()) {
            world.clock.set(at(6, 10, 30));
            world.scheduler().cmdTimeClick(hourText);
            QCOMPARE(world.text(Field::lblRun), u"Timer set to: "_s + hourText);
        }
        world.engine->fields().setText(Field::txtResultat, u"old report"_s);
        QSignalSpy started(&world.run(), &ScanRun::runStarted);
        for (const QTime &tick : std::as_const(ticks)) {
            world.tickAt(QDateTime(QDate(2026, 12, 7), tick));
            QTRY_VERIFY(!world.run().isRunning());
        }
        QCOMPARE(started.count(), starts);
        // A start empties the panes first; a quick run's report is not wiped by a second start.
        QCOMPARE(world.text(Field::txtResultat).startsWith(u"scannet "_s), starts > 0);
        QCOMPARE(world.text(Field::lblBDone), u"ikke"_s);
    }

    void aRunUnderWayIsLeftAlone_data()
    {
        QTest::addColumn<bool>("byHand");
        QTest::newRow("started by the scheduler") << false;
        QTest::newRow("started by hand") << true;
    }
    void aRunUnderWayIsLeftAlone()
    {
        QFETCH(bool, byHand);
        Scheduled world;
        // A URL whose server never answers keeps the run under way.
        world.addUrl(world.url(u"/stall"_s));
        world.addKeyword(u"car"_s);
        QSignalSpy started(&world.run(), &ScanRun::runStarted);
        if (byHand) {
            world.clock.set(at(6, 11, 59, 50));
            QVERIFY(world.run().start());
        } else {
            world.tickAt(at(6, 12, 0, 5));
            QCOMPARE(world.text(Field::lblBDone), u"har"_s);
        }
        QTRY_COMPARE(world.http.requestCount(u"/stall"_s), 1);
        world.engine->fields().append(Field::txtEtrap, u"an error of this run\r\n"_s);

        world.tickAt(at(6, 12, 0, 41));
        QCOMPARE(started.count(), 1);
        QCOMPARE(world.text(Field::txtEtrap), u"an error of this run\r\n"_s);
        QVERIFY(world.run().isRunning());
        // Setting the same hour again only says so.
        world.scheduler().cmdTimeClick(u"12"_s);
        QCOMPARE(world.text(Field::lblRun), u"Timer set to: 12"_s);
        QCOMPARE(started.count(), 1);
    }

    void runsOnceADayForWeeks()
    {
        Scheduled world;
        QSignalSpy started(&world.run(), &ScanRun::runStarted);
        QSignalSpy ended(&world.run(), &ScanRun::runEnded);
        const QString dsn = world.db.name();
        for (int day = 1; day <= 21; ++day) {
            // One day the data source is gone: that run ends all the same, and the next day comes.
            world.settings.write(qs::app::keys::Dsn, day == 10 ? u"Gone"_s : dsn);
            for (const QTime &tick :
                 {QTime(11, 59, 32), QTime(12, 0, 8), QTime(12, 0, 44), QTime(12, 1, 20)}) {
                world.tickAt(QDateTime(QDate(2026, 12, 1).addDays(day), tick));
                QTRY_COMPARE(ended.count(), started.count());
            }
            QCOMPARE(started.count(), day);
            QCOMPARE(world.text(Field::lblBDone), u"ikke"_s);
            QCOMPARE(world.text(Field::lblDato), QDate(2026, 12, 1).addDays(day).toString(Qt::ISODate));
        }
        // After midnight the date shown is the one the runs write.
        world.tickAt(at(22, 23, 59, 50));
        world.tickAt(at(23, 0, 0, 26));
        QCOMPARE(world.engine->calendar().today(), QDate(2026, 12, 23));
    }
};

QTEST_GUILESS_MAIN(SchedulerTest)
#include "tst_scheduler.moc"
