#include <QProcess>
#include <QtTest>

#include "loopbackhttpserver.h"
#include "smtpsink.h"
#include "testdatasource.h"

using qs::test::LoopbackHttpServer;

// The program's command line, run as the operator would run it.
class CommandLineTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void configPrintsAndStoresExactly();
    void configRefusesBlankValuesAndUnknownKeys_data();
    void configRefusesBlankValuesAndUnknownKeys();
    void helpVersionAndUsage();
    void noDisplaySaysSoInOneLine();
    void scanWithoutDataSourceExitsFour();
    void scanPrintsTheReportAndMailsIt();
    void scanWhoseMailFailsExitsThree();

private:
    struct Outcome
    {
        int status = -1;
        QByteArray out;
        QByteArray err;
    };
    static Outcome run(const QStringList &arguments, const QProcessEnvironment &environment = {});
};

CommandLineTest::Outcome CommandLineTest::run(const QStringList &arguments,
                                              const QProcessEnvironment &environment)
{
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    // The test's own servers answer the program, so the event loop keeps running while it waits.
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    process.start(qEnvironmentVariable("QS_BUILD_DIR") + QStringLiteral("/quillmere-scan"), arguments);
    loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitCode(), process.readAllStandardOutput(), process.readAllStandardError()};
}

void CommandLineTest::init()
{
    // The test's home lives on between runs in the build tree.
    QFile::remove(qEnvironmentVariable("XDG_CONFIG_HOME") +
                  QStringLiteral("/quillmere-scan/quillmere-scan.conf"));
}

void CommandLineTest::configPrintsAndStoresExactly()
{
    QCOMPARE(run({QStringLiteral("config"), QStringLiteral("Mailto")}).out, QByteArray("\n"));
    QCOMPARE(run({QStringLiteral("config"), QStringLiteral("DSN"), QStringLiteral(" x ")}).status, 0);
    const Outcome stored = run({QStringLiteral("config"), QStringLiteral("DSN")});
    QCOMPARE(stored.status, 0);
    QCOMPARE(stored.out, QByteArray(" x \n"));
    QVERIFY(QFile::exists(qEnvironmentVariable("XDG_CONFIG_HOME") +
                          QStringLiteral("/quillmere-scan/quillmere-scan.conf")));
}

void CommandLineTest::configRefusesBlankValuesAndUnknownKeys_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("empty value") << QStringList{QStringLiteral("config"), QStringLiteral("Subject"),
                                                QString()};
    QTest::newRow("blank value") << QStringList{QStringLiteral("config"), QStringLiteral("Subject"),
                                                QStringLiteral("  ")};
    QTest::newRow("unknown key") << QStringList{QStringLiteral("config"), QStringLiteral("Colour")};
    QTest::newRow("key in another case") << QStringList{QStringLiteral("config"), QStringLiteral("dsn")};
    QTest::newRow("too many") << QStringList{QStringLiteral("config"), QStringLiteral("DSN"),
                                             QStringLiteral("a"), QStringLiteral("b")};
}

void CommandLineTest::configRefusesBlankValuesAndUnknownKeys()
{
    QFETCH(QStringList, arguments);
    run({QStringLiteral("config"), QStringLiteral("Subject"), QStringLiteral("Daily")});
    const Outcome refused = run(arguments);
    QCOMPARE(refused.status, 2);
    QCOMPARE(refused.err.count('\n'), 1);
    QVERIFY(refused.out.isEmpty());
    QCOMPARE(run({QStringLiteral("config"), QStringLiteral("Subject")}).out, QByteArray("Daily\n"));
}

void CommandLineTest::helpVersionAndUsage()
{
    const Outcome help = run({QStringLiteral("--help")});
    QCOMPARE(help.status, 0);
    QVERIFY(help.out.contains("config KEY VALUE"));
    QVERIFY(help.out.contains("scan"));
    QVERIFY(run({QStringLiteral("--version")}).out.startsWith("quillmere-scan "));
    QCOMPARE(run({QStringLiteral("frobnicate")}).status, 2);
}

void CommandLineTest::noDisplaySaysSoInOneLine()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QString::fromLatin1(name));
    const Outcome outcome = run({}, environment);
    QCOMPARE(outcome.status, 69);
    QCOMPARE(outcome.err.count('\n'), 1);
    QVERIFY(outcome.err.contains("quillmere-scan scan"));
}

void CommandLineTest::scanWithoutDataSourceExitsFour()
{
    run({QStringLiteral("config"), QStringLiteral("DSN"), QStringLiteral("NoSuchSource")});
    const Outcome outcome = run({QStringLiteral("scan")});
    QCOMPARE(outcome.status, 4);
    QCOMPARE(outcome.err, QByteArray("ODBC Drive not found! You need to setup an ODBC connection\n"));
    QVERIFY(outcome.out.startsWith("scannet "));
}

namespace {

// A data source with one page that reports the keyword car, served on 127.0.0.1.
struct ScanSetup
{
    ScanSetup()
    {
        http.listen();
        http.setResponse(
            QStringLiteral("/cars"),
            LoopbackHttpServer::page("<html><head><title>Cars</title></head><body>my car is red and "
                                     "the car is fast</body></html>"));
        db.exec(QStringLiteral("INSERT INTO listen (URL) VALUES (?)"),
                {http.url(QStringLiteral("/cars")).toString()});
        db.exec(QStringLiteral("INSERT INTO listen (URL) VALUES ('ftp://example.org/')"));
        db.exec(QStringLiteral("INSERT INTO keyword (KEYWORDS) VALUES ('car')"));
    }
    qs::test::TestDataSource db{qs::test::Backend::Sqlite};
    LoopbackHttpServer http;
};

} // namespace

void CommandLineTest::scanPrintsTheReportAndMailsIt()
{
    ScanSetup setup;
    qs::test::SmtpSink sink;
    QVERIFY2(sink.start(), qPrintable(sink.errorString()));
    for (const auto &[key, value] : {std::pair(QStringLiteral("DSN"), setup.db.name()),
                                     std::pair(QStringLiteral("Mailserver"), sink.hostAndPort()),
                                     std::pair(QStringLiteral("Sender"), QStringLiteral("scan@example.org")),
                                     std::pair(QStringLiteral("Mailto"), QStringLiteral("desk@example.org")),
                                     std::pair(QStringLiteral("Subject"), QStringLiteral("Watch"))})
        QCOMPARE(run({QStringLiteral("config"), key, value}).status, 0);

    const Outcome outcome = run({QStringLiteral("scan")});
    QCOMPARE(outcome.status, 0);
    QVERIFY2(outcome.out.startsWith("\n@ Cars\nFound keywords; \ncar\nClick to go "),
             outcome.out.constData());
    QVERIFY(outcome.out.contains("Scan complet @ "));
    // The error pane's one entry and the window's message, nothing else (no diagnostics between).
    QCOMPARE(outcome.err,
             QByteArray("Fetch Error ftp://example.org/ 12006Protocol \"ftp\" is unknown16\nSend mail\n"));
    QTRY_COMPARE(sink.messageCount(), qsizetype(1));
    QVERIFY(sink.messages().first().body.contains(QStringLiteral("Click to go ")));
}

void CommandLineTest::scanWhoseMailFailsExitsThree()
{
    ScanSetup setup;
    run({QStringLiteral("config"), QStringLiteral("DSN"), setup.db.name()});
    run({QStringLiteral("config"), QStringLiteral("Mailserver"), QStringLiteral("127.0.0.1:1")});
    const Outcome outcome = run({QStringLiteral("scan")});
    QCOMPARE(outcome.status, 3);
    QVERIFY(outcome.err.contains("Mail Error  7"));
    QVERIFY(outcome.err.contains("the result mail failed"));
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
