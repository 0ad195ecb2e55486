#include <QtTest>

#include "cli/commandline.h"
#include "cli/systemdunits.h"
#include "cli/timercommand.h"

using namespace Qt::StringLiterals;
namespace systemd = qs::cli::systemd;

namespace {

QString unitPath(const char *name)
{
    return systemd::userUnitDir() + u'/' + QLatin1String(name);
}

QString read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool unitsExist()
{
    return QFileInfo::exists(unitPath(systemd::ServiceName)) ||
           QFileInfo::exists(unitPath(systemd::TimerName));
}

} // namespace

// The daily timer: the units it writes, the hours it takes, and what disable leaves behind. The
// user's service manager is never asked (QUILLMERE_SCAN_NO_SYSTEMD); systemd's own parser checks
// the units where it is installed.
class TimerTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        qputenv("QUILLMERE_SCAN_NO_SYSTEMD", "1");
    }

    void init()
    {
        QDir(m_config.path() + u"/systemd"_s).removeRecursively();
        QFile::remove(m_config.path() + u"/systemd"_s);
    }

    void enableWritesDailyCatchingUpUnits_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("hour");
        QTest::newRow("midnight") << QStringList{u"enable"_s, u"--hour"_s, u"0"_s} << 0;
        QTest::newRow("one digit") << QStringList{u"enable"_s, u"--hour"_s, u"7"_s} << 7;
        QTest::newRow("leading zero") << QStringList{u"enable"_s, u"--hour"_s, u"07"_s} << 7;
        QTest::newRow("last hour, --hour=") << QStringList{u"enable"_s, u"--hour=23"_s} << 23;
    }
    void enableWritesDailyCatchingUpUnits()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, hour);
        QCOMPARE(qs::cli::runTimerCommand(arguments), qs::cli::ExitOk);

        const QString timer = read(unitPath(systemd::TimerName));
        QVERIFY2(timer.contains(u"\nOnCalendar=*-*-* %1:00:00\n"_s.arg(hour, 2, 10, QChar(u'0'))),
                 qPrintable(timer));
        QVERIFY(timer.contains(u"\nPersistent=true\n"_s));
        QCOMPARE(systemd::hourOfTimer(timer), hour);

        const QString program = QCoreApplication::applicationFilePath();
        QVERIFY(QDir::isAbsolutePath(program));
        const QString service = read(unitPath(systemd::ServiceName));
        QVERIFY2(service.contains(u"\nExecStart="_s + program + u" scan\n"_s), qPrintable(service));
        QCOMPARE(qs::cli::runTimerCommand({u"status"_s}), qs::cli::ExitOk);
    }

    void wrongUsageWritesNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        for (const QString &hour : {u"24"_s, u"-1"_s, u"7.5"_s, u""_s, u"seven"_s, u" 7"_s, u"+7"_s, u"007"_s,
                                    u"\u0663"_s /* ARABIC-INDIC DIGIT THREE */})
            QTest::addRow("hour \"%s\"", qPrintable(hour)) << QStringList{u"enable"_s, u"--hour"_s, hour};
        QTest::newRow("no hour") << QStringList{u"enable"_s};
        QTest::newRow("--hour without value") << QStringList{u"enable"_s, u"--hour"_s};
        QTest::newRow("hour without --hour") << QStringList{u"enable"_s, u"7"_s};
        QTest::newRow("two hours") << QStringList{u"enable"_s, u"--hour"_s, u"7"_s, u"8"_s};
        QTest::newRow("disable with an argument") << QStringList{u"disable"_s, u"now"_s};
        QTest::newRow("status with an argument") << QStringList{u"status"_s, u"-v"_s};
        QTest::newRow("no word") << QStringList{};
        QTest::newRow("unknown word") << QStringList{u"start"_s};
    }
    void wrongUsageWritesNothing()
    {
        QFETCH(QStringList, arguments);
        QCOMPARE(qs::cli::runTimerCommand(arguments), qs::cli::ExitUsage);
        QVERIFY(!unitsExist());
    }

    void disableRemovesWhatEnableWrote()
    {
        QCOMPARE(qs::cli::runTimerCommand({u"enable"_s, u"--hour"_s, u"5"_s}), qs::cli::ExitOk);
        // The link `systemctl --user enable` makes, left from a session that had a service manager.
        const QString wants = systemd::userUnitDir() + u"/timers.target.wants"_s;
        QVERIFY(QDir().mkpath(wants));
        QVERIFY(QFile::link(u"../"_s + QLatin1String(systemd::TimerName),
                            wants + u'/' + QLatin1String(systemd::TimerName)));

        QCOMPARE(qs::cli::runTimerCommand({u"disable"_s}), qs::cli::ExitOk);
        QVERIFY(!unitsExist());
        QCOMPARE(QDir(wants).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
                 QStringList{});
        QCOMPARE(qs::cli::runTimerCommand({u"disable"_s}), qs::cli::ExitOk);
        QCOMPARE(qs::cli::runTimerCommand({u"status"_s}), qs::cli::ExitOk);
    }

    void unwritableFolderFails_data()
    {
        QTest::addColumn<QString>("inTheWay"); // a file (or folder) where the units must go
        QTest::addColumn<bool>("asFolder");
        QTest::newRow("systemd folder is a file") << u"/systemd"_s << false;
        QTest::newRow("timer file is a folder") << u"/systemd/user/quillmere-scan.timer"_s << true;
    }
    void unwritableFolderFails()
    {
        QFETCH(QString, inTheWay);
        QFETCH(bool, asFolder);
        const QString path = m_config.path() + inTheWay;
        if (asFolder) {
            QVERIFY(QDir().mkpath(path));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QCOMPARE(qs::cli::runTimerCommand({u"enable"_s, u"--hour"_s, u"9"_s}), qs::cli::ExitFailure);
    }

    void systemdAcceptsTheUnits_data()
    {
        QTest::addColumn<QString>("folderName"); // where the program lives, below a scratch folder
        QTest::addColumn<bool>("startable");
        QTest::newRow("plain") << u"bin"_s << true;
        QTest::newRow("blanks, % and $")
            << u"my bin 100%h $HOME"_s << true; // %h: a specifier when not escaped
        QTest::newRow("double quote") << u"my \"bin\""_s << false;
        QTest::newRow("single quote") << u"it's"_s << false;
        QTest::newRow("backslash") << u"a\\b"_s << false;
    }
    void systemdAcceptsTheUnits()
    {
        QFETCH(QString, folderName);
        QFETCH(bool, startable);
        const QString analyze = QStandardPaths::findExecutable(u"systemd-analyze"_s);
        if (analyze.isEmpty())
            QSKIP("systemd-analyze is not installed (Debian package systemd)");
        QTemporaryDir scratch;
        QVERIFY(QDir(scratch.path()).mkpath(folderName));
        // systemd checks that the program exists and is executable.
        const QString program = scratch.path() + u'/' + folderName + u"/quillmere-scan"_s;
        QVERIFY(QFile::link(QCoreApplication::applicationFilePath(), program));
        QProcessEnvironment environment;
        environment.insert(u"ODBCINI"_s, scratch.path() + u"/odbc 100%.ini"_s);

        const QString service = scratch.filePath(QLatin1String(systemd::ServiceName));
        const QString timer = scratch.filePath(QLatin1String(systemd::TimerName));
        for (const auto &[path, text] : {std::pair{service, systemd::serviceUnit(program, environment)},
                                         std::pair{timer, systemd::timerUnit(6)}}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text.toUtf8());
        }
        QProcess verify;
        verify.setProcessChannelMode(QProcess::MergedChannels);
        verify.start(analyze, {u"verify"_s, timer, service});
        QVERIFY(verify.waitForFinished(60000));
        const QByteArray said = verify.readAll();
        // Where systemd refuses the path, the command refuses it too, before writing anything.
        QCOMPARE(systemd::startable(program), startable);
        QVERIFY2((verify.exitStatus() == QProcess::NormalExit && verify.exitCode() == 0) == startable,
                 said.constData());
        if (startable)
            QVERIFY2(!said.contains("quillmere-scan"), said.constData());
    }

private:
    QTemporaryDir m_config;
};

QTEST_GUILESS_MAIN(TimerTest)
#include "tst_timer.moc"
