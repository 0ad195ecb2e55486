#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

#include <unistd.h>

#include <QTemporaryFile>

#include "core/app/errorentry.h"
#include "core/app/output.h"
#include "core/app/paths.h"
#include "core/app/settingsstore.h"

using qs::app::SettingsStore;

class SettingsTest : public QObject
{
    Q_OBJECT
private slots:
    void valuesRoundTripExactly_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("leading and trailing blanks") << QStringLiteral(" x ");
        QTest::newRow("only the trailing blank") << QStringLiteral("QuillmereScan ");
        QTest::newRow("comma, which INI readers like to split") << QStringLiteral("a, b,c");
        QTest::newRow("quotes and backslash") << QStringLiteral("say \"hi\" \\ there");
        QTest::newRow("semicolon and hash") << QStringLiteral("x;y #z");
        QTest::newRow("equals and brackets") << QStringLiteral("[a]=b");
        QTest::newRow("looks like a variant") << QStringLiteral("@Variant(abc)");
        QTest::newRow("non-ASCII") << QStringLiteral("Nyheder æøå – €");
        QTest::newRow("looks like a number") << QStringLiteral("007");
        QTest::newRow("looks like a boolean") << QStringLiteral("true");
    }
    void valuesRoundTripExactly()
    {
        QFETCH(QString, value);
        SettingsStore store(m_dir.filePath(QStringLiteral("roundtrip.conf")));
        QVERIFY(store.write(qs::app::keys::Subject, value));
        QCOMPARE(store.read(qs::app::keys::Subject, QStringLiteral("default")), value);
        QCOMPARE(SettingsStore(store.filePath()).read(qs::app::keys::Subject), value);
    }

    void absentKeyReadsAsTheDefault()
    {
        SettingsStore missingFile(m_dir.filePath(QStringLiteral("no-such-folder/none.conf")));
        QCOMPARE(missingFile.read(qs::app::keys::Dsn, QStringLiteral("last")), QStringLiteral("last"));
        QCOMPARE(missingFile.read(qs::app::keys::Dsn), QString());
        QVERIFY(!missingFile.contains(qs::app::keys::Dsn));

        SettingsStore store(m_dir.filePath(QStringLiteral("partial.conf")));
        store.write(qs::app::keys::Sender, QStringLiteral("scan@example.org"));
        QCOMPARE(store.read(qs::app::keys::Mailto, QStringLiteral("fallback")), QStringLiteral("fallback"));
    }

    void aSecondStoreOnTheSameFileSeesAWriteAtOnce()
    {
        const QString file = m_dir.filePath(QStringLiteral("shared.conf"));
        SettingsStore reader(file);
        QCOMPARE(reader.read(qs::app::keys::Dsn), QString());
        SettingsStore(file).write(qs::app::keys::Dsn, QStringLiteral("first"));
        QCOMPARE(reader.read(qs::app::keys::Dsn), QStringLiteral("first"));
        SettingsStore(file).write(qs::app::keys::Dsn, QStringLiteral("second"));
        QCOMPARE(reader.read(qs::app::keys::Dsn), QStringLiteral("second"));
    }

    void fileLivesInTheXdgConfigFolder()
    {
        const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
        QCOMPARE(SettingsStore::defaultFilePath(),
                 m_dir.path() + QStringLiteral("/quillmere-scan/quillmere-scan.conf"));
        // A relative value is not a valid XDG folder: the default below HOME applies.
        qputenv("XDG_CONFIG_HOME", "relative/path");
        QCOMPARE(SettingsStore::defaultFilePath(),
                 QDir::homePath() + QStringLiteral("/.config/quillmere-scan/quillmere-scan.conf"));
        qputenv("XDG_CONFIG_HOME", saved);
    }

    void numbersOutOfRangeGiveTheDefault_data()
    {
        QTest::addColumn<QString>("stored"); // null: nothing stored
        QTest::addColumn<qint64>("used");
        QTest::addColumn<bool>("problem");
        QTest::newRow("nothing stored") << QString() << qint64(10) << false;
        QTest::newRow("lowest") << QStringLiteral("1") << qint64(1) << false;
        QTest::newRow("highest, blanks around") << QStringLiteral(" 64 ") << qint64(64) << false;
        QTest::newRow("zero") << QStringLiteral("0") << qint64(10) << true;
        QTest::newRow("one over") << QStringLiteral("65") << qint64(10) << true;
        QTest::newRow("not a number") << QStringLiteral("ten") << qint64(10) << true;
    }
    void numbersOutOfRangeGiveTheDefault()
    {
        QFETCH(QString, stored);
        QFETCH(bool, problem);
        SettingsStore store(m_dir.filePath(
            QStringLiteral("numbers-%1.conf").arg(QString::fromLatin1(QTest::currentDataTag()))));
        if (!stored.isNull())
            store.write(qs::app::keys::Parallel, stored);
        const qs::app::NumberSetting parallel = store.readNumber(qs::app::numbers::Parallel);
        QTEST(parallel.value, "used");
        QCOMPARE(!parallel.problem.isEmpty(), problem);
    }

    void errorEntryFormatsTheNumber_data()
    {
        QTest::addColumn<qint64>("number");
        QTest::addColumn<QString>("expected");
        QTest::newRow("positive gets one blank")
            << qint64(3021) << QStringLiteral("Delete Error  3021No current row16\r\n");
        QTest::newRow("zero gets one blank")
            << qint64(0) << QStringLiteral("Delete Error  0No current row16\r\n");
        QTest::newRow("negative gets its sign only")
            << qint64(-2147467259) << QStringLiteral("Delete Error -2147467259No current row16\r\n");
    }
    void errorEntryFormatsTheNumber()
    {
        QFETCH(qint64, number);
        QTEST(qs::app::errorEntry(QStringLiteral("Delete Error "), number, QStringLiteral("No current row")),
              "expected");
    }

    void outputKeepsWhatFollowsANul()
    {
        // Text from outside may hold a NUL; what follows it must still be written.
        QTemporaryFile file;
        QVERIFY(file.open());
        FILE *stream = ::fdopen(::dup(file.handle()), "w");
        qs::app::writeText(stream, QStringLiteral("a") + QChar(0) + QStringLiteral("b\r\nend"));
        std::fclose(stream);
        file.seek(0);
        QCOMPARE(file.readAll(), QByteArray("a\0b\nend", 7));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
