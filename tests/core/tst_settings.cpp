#include <QTemporaryDir>
#include <QtTest>

#include "core/app/errorentry.h"
#include "core/app/paths.h"
#include "core/app/settingsstore.h"

using qs::app::SettingsStore;

class SettingsTest : public QObject
{
    Q_OBJECT
private slots:
    void valuesRoundTripExactly_data();
    void valuesRoundTripExactly();
    void absentKeyReadsAsTheDefault();
    void aSecondStoreOnTheSameFileSeesAWriteAtOnce();
    void fileLivesInTheXdgConfigFolder();
    void blankMeansEmptyOrBlanksOnly();
    void errorEntryFormatsTheNumber_data();
    void errorEntryFormatsTheNumber();

private:
    QTemporaryDir m_dir;
};

void SettingsTest::valuesRoundTripExactly_data()
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

void SettingsTest::valuesRoundTripExactly()
{
    QFETCH(QString, value);
    SettingsStore store(m_dir.filePath(QStringLiteral("roundtrip.conf")));
    QVERIFY(store.write(qs::app::keys::Subject, value));
    QCOMPARE(store.read(qs::app::keys::Subject, QStringLiteral("default")), value);
    QCOMPARE(SettingsStore(store.filePath()).read(qs::app::keys::Subject), value);
}

void SettingsTest::absentKeyReadsAsTheDefault()
{
    SettingsStore missingFile(m_dir.filePath(QStringLiteral("no-such-folder/none.conf")));
    QCOMPARE(missingFile.read(qs::app::keys::Dsn, QStringLiteral("last")), QStringLiteral("last"));
    QCOMPARE(missingFile.read(qs::app::keys::Dsn), QString());
    QVERIFY(!missingFile.contains(qs::app::keys::Dsn));

    SettingsStore store(m_dir.filePath(QStringLiteral("partial.conf")));
    store.write(qs::app::keys::Sender, QStringLiteral("scan@example.org"));
    QCOMPARE(store.read(qs::app::keys::Mailto, QStringLiteral("fallback")), QStringLiteral("fallback"));
}

void SettingsTest::aSecondStoreOnTheSameFileSeesAWriteAtOnce()
{
    const QString file = m_dir.filePath(QStringLiteral("shared.conf"));
    SettingsStore reader(file);
    QCOMPARE(reader.read(qs::app::keys::Dsn), QString());
    SettingsStore(file).write(qs::app::keys::Dsn, QStringLiteral("first"));
    QCOMPARE(reader.read(qs::app::keys::Dsn), QStringLiteral("first"));
    SettingsStore(file).write(qs::app::keys::Dsn, QStringLiteral("second"));
    QCOMPARE(reader.read(qs::app::keys::Dsn), QStringLiteral("second"));
}

void SettingsTest::fileLivesInTheXdgConfigFolder()
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

void SettingsTest::blankMeansEmptyOrBlanksOnly()
{
    QVERIFY(qs::app::isBlank(QString()));
    QVERIFY(qs::app::isBlank(QStringLiteral("   ")));
    QVERIFY(!qs::app::isBlank(QStringLiteral(" x ")));
}

void SettingsTest::errorEntryFormatsTheNumber_data()
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

void SettingsTest::errorEntryFormatsTheNumber()
{
    QFETCH(qint64, number);
    QFETCH(QString, expected);
    QCOMPARE(qs::app::errorEntry(QStringLiteral("Delete Error "), number, QStringLiteral("No current row")),
             expected);
}

QTEST_GUILESS_MAIN(SettingsTest)
#include "tst_settings.moc"
