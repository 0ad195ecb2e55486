#include <csignal>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include "loopbackhttpserver.h"
#include "smtpsink.h"
#include "testdatasource.h"

using namespace Qt::StringLiterals;
using qs::test::LoopbackHttpServer;

namespace {

struct Outcome
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

QString settingsFile()
{
    return qEnvironmentVariable("XDG_CONFIG_HOME") + u"/quillmere-scan/quillmere-scan.conf"_s;
}

// Runs the program as the operator would; `whileRunning` may act on it meanwhile (a signal, say).
// The test's own servers answer the program, so the event loop runs while it waits.
Outcome run(const QStringList &arguments, const QProcessEnvironment &environment = {},
            const std::function<void(QProcess &)> &whileRunning = {})
{
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    process.start(qEnvironmentVariable("QS_BUILD_DIR") + u"/quillmere-scan"_s, arguments);
    process.waitForStarted();
    if (whileRunning)
        whileRunning(process);
    if (process.state() != QProcess::NotRunning)
        loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

bool configure(const QList<std::pair<QString, QString>> &values)
{
    bool ok = true;
    for (const auto &[key, value] : values)
        ok = run({u"config"_s, key, value}).status == 0 && ok;
    return ok;
}

// A data source with a page that reports the keyword car and a URL that cannot be fetched.
struct ScanSetup
{
    explicit ScanSetup(std::chrono::milliseconds delay = {})
    {
        http.listen();
        http.setResponse(u"/cars"_s,
                         LoopbackHttpServer::page("<html><head><title>Cars</title></head><body>my "
                                                  "car is red and the car is fast</body></html>")
                             .delayed(delay));
        db.exec(u"INSERT INTO listen (URL) VALUES ('ftp://example.org/'), (?)"_s,
                {http.url(u"/cars"_s).toString()});
        db.exec(u"INSERT INTO keyword (KEYWORDS) VALUES ('car')"_s);
        configure({{u"DSN"_s, db.name()}});
    }
    qs::test::TestDataSource db{qs::test::Backend::Sqlite};
    LoopbackHttpServer http;
};

const QByteArray FtpEntry = "Fetch Error ftp://example.org/ 12006Protocol \"ftp\" is unknown16\n";

} // namespace

// The program's command line, run as the operator would run it.
class CommandLineTest : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        // The test's home lives on between runs in the build tree.
        QFile::remove(settingsFile());
    }

    void configRefusesWhatCannotBeStored_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("empty value") << QStringList{u"config"_s, u"Subject"_s, QString()};
        QTest::newRow("blank value") << QStringList{u"config"_s, u"Subject"_s, u"  "_s};
        QTest::newRow("unknown key") << QStringList{u"config"_s, u"Colour"_s};
        QTest::newRow("key in another case") << QStringList{u"config"_s, u"dsn"_s};
        QTest::newRow("too many") << QStringList{u"config"_s, u"DSN"_s, u"a"_s, u"b"_s};
        QTest::newRow("Parallel below its range") << QStringList{u"config"_s, u"Parallel"_s, u"0"_s};
        QTest::newRow("PerHost above its range") << QStringList{u"config"_s, u"PerHost"_s, u"9"_s};
        QTest::newRow("not a number") << QStringList{u"config"_s, u"DatabaseTimeout"_s, u"ten"_s};
        QTest::newRow("unknown command") << QStringList{u"frobnicate"_s};
        QTest::newRow("scan with an argument") << QStringList{u"scan"_s, u"--now"_s};
    }
    void configRefusesWhatCannotBeStored()
    {
        QFETCH(QStringList, arguments);
        // Values are stored and printed exactly, blanks and the top of a range included.
        QVERIFY(configure({{u"Subject"_s, u" Daily "_s}, {u"Parallel"_s, u"64"_s}}));
        const Outcome refused = run(arguments);
        QCOMPARE(refused.status, 2);
        QCOMPARE(refused.err.count('\n'), 1);
        QVERIFY(refused.out.isEmpty());
        QCOMPARE(run({u"config"_s, u"Subject"_s}).out + run({u"config"_s, u"Parallel"_s}).out +
                     run({u"config"_s, u"Mailto"_s}).out,
                 QByteArray(" Daily \n64\n\n"));
    }

    void unusableSettingsFileIsNamed_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a folder") << u"folder"_s;
        QTest::newRow("a link to itself") << u"loop"_s;
        QTest::newRow("not an INI file") << u"binary"_s;
    }
    void unusableSettingsFileIsNamed()
    {
        QFETCH(QString, kind);
        const QString file = settingsFile();
        QDir().mkpath(QFileInfo(file).path());
        if (kind == u"folder"_s)
            QVERIFY(QDir().mkpath(file));
        else if (kind == u"loop"_s)
            QVERIFY(QFile::link(file, file));
        if (kind == u"binary"_s) {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(QByteArray("\x7f"
                                 "ELF\x02\x01\x01\0\0\0",
                                 10));
        }
        const Outcome config = run({u"config"_s, u"DSN"_s});
        const Outcome scan = run({u"scan"_s, u"--no-mail"_s});
        QDir(file).removeRecursively();
        QFile::remove(file);
        QCOMPARE(config.status, 1);
        QVERIFY2(config.err.contains(file.toLocal8Bit()), config.err.constData());
        QCOMPARE(scan.status, 4);
        QVERIFY2(scan.err.contains(file.toLocal8Bit()), scan.err.constData());
    }

    void helpVersionAndUsage()
    {
        const Outcome help = run({u"--help"_s});
        QCOMPARE(help.status, 0);
        QVERIFY(help.out.contains("config KEY VALUE"));
        QVERIFY(run({u"--version"_s}).out.startsWith("quillmere-scan "));
        // Without a display the window says so in one line and names what works without one.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        const Outcome window = run({}, environment);
        QCOMPARE(window.status, 69);
        QCOMPARE(window.err.count('\n'), 1);
        QVERIFY(window.err.contains("quillmere-scan scan"));
    }

    void scanExitStatus_data()
    {
        QTest::addColumn<QString>("database"); // how the data source is spoiled
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("errorHas");
        QTest::newRow("no such data source")
            << u"unnamed"_s << 4 << QByteArray("quillmere-scan config DSN NAME");
        QTest::newRow("a file of garbage") << u"garbage"_s << 4 << QByteArray("Database Error 1st.hent ID  ");
        QTest::newRow("no listen table") << u"nolisten"_s << 4 << QByteArray("Database Error 1st.hent ID  ");
        QTest::newRow("no keyword table") << u"nokeyword"_s << 4 << QByteArray("Keyword Error  1");
        QTest::newRow("no mail, as asked") << u"good"_s << 0 << FtpEntry;
    }
    void scanExitStatus()
    {
        QFETCH(QString, database);
        QFETCH(int, status);
        QFETCH(QByteArray, errorHas);
        ScanSetup setup;
        if (database == u"unnamed"_s)
            QVERIFY(configure({{u"DSN"_s, u"NoSuchSource"_s}}));
        QTemporaryDir spoiled;
        if (database == u"garbage"_s) {
            QFile file(spoiled.filePath(u"garbage.db"_s));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(4096, 'g'));
            QVERIFY(qs::test::registerDataSource(u"qs_garbage"_s, qs::test::sqliteEntries(file.fileName())));
            QVERIFY(configure({{u"DSN"_s, u"qs_garbage"_s}}));
        }
        if (database == u"nolisten"_s)
            QVERIFY(setup.db.exec(u"DROP TABLE listen"_s));
        if (database == u"nokeyword"_s)
            QVERIFY(setup.db.exec(u"DROP TABLE keyword"_s));
        // No mail settings: only --no-mail makes that a good run.
        const Outcome outcome = run({u"scan"_s, u"--no-mail"_s});
        QCOMPARE(outcome.status, status);
        QVERIFY2(outcome.err.contains(errorHas), outcome.err.constData());
        QCOMPARE(outcome.out.startsWith("scannet "), status != 0);
        if (status == 0) {
            QVERIFY(outcome.out.startsWith("\n@ Cars\nFound keywords; \ncar\nClick to go "));
            QVERIFY(!outcome.err.contains("mail"));
            // Nothing taken by a run that could not read its lists.
        } else if (database != u"garbage"_s && database != u"nolisten"_s) {
            QCOMPARE(setup.db.value(u"SELECT SUM(TAL) FROM listen"_s).toInt(), 0);
        }
    }

    void scanPrintsTheReportAndMailsIt()
    {
        ScanSetup setup;
        qs::test::SmtpSink sink;
        QVERIFY2(sink.start(), qPrintable(sink.errorString()));
        QVERIFY(configure({{u"Mailserver"_s, sink.hostAndPort()},
                           {u"Sender"_s, u"scan@example.org"_s},
                           {u"Mailto"_s, u"desk@example.org"_s},
                           {u"Subject"_s, u"Watch"_s}}));
        const Outcome outcome = run({u"scan"_s});
        QCOMPARE(outcome.status, 0);
        QVERIFY2(outcome.out.startsWith("\n@ Cars\nFound keywords; \ncar\nClick to go "),
                 outcome.out.constData());
        QVERIFY(outcome.out.contains("Scan complet @ "));
        // The error pane's one entry and the window's message, nothing else (no diagnostics between).
        QCOMPARE(outcome.err, FtpEntry + "Send mail\n");
        QTRY_COMPARE(sink.messageCount(), qsizetype(1));
        // The mail is the report as printed, end stamp included.
        QCOMPARE(sink.messages().first().body.trimmed(),
                 QString::fromLocal8Bit(outcome.out).replace(u"\n"_s, u"\r\n"_s).trimmed());

        // A mail that cannot be delivered makes a failed run.
        QVERIFY(configure({{u"Mailserver"_s, u"127.0.0.1:1"_s}}));
        setup.db.exec(u"UPDATE listen SET DAGEN = '2003-01-01'"_s);
        setup.db.exec(u"DELETE FROM kw"_s);
        const Outcome failed = run({u"scan"_s});
        QCOMPARE(failed.status, 3);
        QVERIFY(failed.err.contains("Mail Error  7"));
        QVERIFY(failed.err.contains("the result mail failed"));
    }

    void checkWritesNothing()
    {
        ScanSetup setup;
        const QString url = setup.http.url(u"/cars"_s).toString();
        const auto snapshot = [&] {
            return setup.db.rows(u"SELECT * FROM listen ORDER BY ID"_s) +
                   setup.db.rows(u"SELECT * FROM kw"_s);
        };
        const QList<QVariantList> before = snapshot();
        const Outcome text = run({u"check"_s, u" "_s + url});
        QCOMPARE(text.status, 0);
        for (const char *line :
             {"status line: HTTP/1.1 200 OK\n", "title: Cars\n", "  hits: 2 at 4, 23\n",
              "  length compared: 25\n", "  context: my [car] is red and the car is fast\n",
              ": stored length none, new\n"})
            QVERIFY2(text.out.contains(line), text.out.constData());
        const Outcome json = run({u"check"_s, url, u"--json"_s});
        QCOMPARE(json.status, 0);
        const QJsonObject object = QJsonDocument::fromJson(json.out).object();
        QCOMPARE(object.value(u"charset"_s).toString(), u"UTF-8"_s);
        const QJsonObject car = object.value(u"keywords"_s).toArray().first().toObject();
        QCOMPARE(car.value(u"length compared"_s).toInt(), 25);
        QCOMPARE(car.value(u"rows"_s).toArray().first().toObject().value(u"verdict"_s).toString(), u"new"_s);
        QCOMPARE(snapshot(), before);
        QCOMPARE(run({u"check"_s, u"ftp://example.org/"_s}).status, 2);

        // A table that keeps the sensitivity as text: read as a run reads it, the verdict is the run's.
        for (const QString &sql :
             {u"CREATE TABLE textual AS SELECT ID, URL, DAGEN, TAL, SCENS || '.0' AS SCENS FROM listen"_s,
              u"DROP TABLE listen"_s, u"ALTER TABLE textual RENAME TO listen"_s})
            QVERIFY(setup.db.exec(sql));
        QVERIFY(run({u"check"_s, url}).out.contains(": stored length none, new\n"));
    }

    void stoppedScanGivesRowsBack_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("SIGINT") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }
    void stoppedScanGivesRowsBack()
    {
        QFETCH(int, signalNumber);
        ScanSetup setup(std::chrono::seconds(20));
        QVERIFY(configure({{u"Mailserver"_s, u"127.0.0.1:1"_s}}));
        const Outcome outcome = run({u"scan"_s}, {}, [&](QProcess &process) {
            QSignalSpy requested(&setup.http, &LoopbackHttpServer::requestReceived);
            if (requested.wait(10000))
                ::kill(pid_t(process.processId()), signalNumber);
        });
        QCOMPARE(outcome.status, 128 + signalNumber);
        QCOMPARE(outcome.err, FtpEntry + "Run stopped\n");
        QCOMPARE(outcome.out, QByteArray("\n"));
        // The URL that was being fetched is due again; the one that was analysed is not.
        QCOMPARE(setup.db.rows(u"SELECT TAL FROM listen ORDER BY ID"_s), (QList<QVariantList>{{1}, {0}}));
    }

    void databaseThatStopsAnsweringEndsTheScan()
    {
        // A server of this test's own: it is stopped, and no other test may depend on it.
        QTemporaryDir dir;
        const QString state = dir.filePath(u"postgres.state"_s);
        const QString script = qEnvironmentVariable("QS_SOURCE_DIR") + u"/tests/support/pg-server.sh"_s;
        if (QProcess::execute(script, {u"start"_s, state}) != 0)
            QSKIP("no PostgreSQL server to start");
        qputenv("QS_TEST_PG_STATE", state.toLocal8Bit());
        std::optional<qs::test::TestDataSource> db(std::in_place, qs::test::Backend::Postgres);
        QVERIFY2(db->isValid(), qPrintable(db->error()));
        LoopbackHttpServer http;
        QVERIFY(http.listen());
        http.setResponse(
            u"/slow"_s,
            LoopbackHttpServer::page("<p>a car b car c</p>").delayed(std::chrono::milliseconds(1500)));
        db->exec(u"INSERT INTO listen (URL) VALUES (?)"_s, {http.url(u"/slow"_s).toString()});
        db->exec(u"INSERT INTO keyword (KEYWORDS) VALUES ('car')"_s);
        QVERIFY(configure({{u"DSN"_s, db->name()}, {u"DatabaseTimeout"_s, u"2"_s}}));

        // The server stops answering while the page is on its way.
        QFile stateFile(state);
        QVERIFY(stateFile.open(QIODevice::ReadOnly));
        const QString root =
            QString::fromUtf8(stateFile.readAll()).section(u"PG_ROOT="_s, 1).section(u'\n', 0, 0);
        QFile pidFile(root + u"/data/postmaster.pid"_s);
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        const QString postmaster = QString::fromLatin1(pidFile.readLine()).trimmed();
        const auto signalServer = [&](const char *signal) {
            QProcess::execute(u"pkill"_s, {QString::fromLatin1(signal), u"-P"_s, postmaster});
            QProcess::execute(u"kill"_s, {QString::fromLatin1(signal), postmaster});
        };
        const QByteArray name = db->name().toLocal8Bit();
        const Outcome outcome = run({u"scan"_s, u"--no-mail"_s}, {}, [&](QProcess &) {
            QSignalSpy requested(&http, &LoopbackHttpServer::requestReceived);
            if (requested.wait(10000))
                signalServer("-STOP");
        });
        signalServer("-CONT");
        db.reset();
        QProcess::execute(script, {u"stop"_s, state});
        QCOMPARE(outcome.status, 5);
        QCOMPARE(outcome.out, QByteArray("\n"));
        QVERIFY2(outcome.err.endsWith("Database not answering: " + name + '\n'), outcome.err.constData());
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
