#include <QDate>
#include <QDir>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include "core/store/datasource.h"
#include "core/store/statements.h"
#include "core/store/urlqueue.h"
#include "testdatasource.h"

using namespace Qt::StringLiterals;
using qs::store::DataSource;
using qs::store::DbError;
using qs::test::Backend;
using qs::test::TestDataSource;

namespace sql = qs::store::sql;

// Opening data sources by name and the statements of the three tables, on the SQLite ODBC
// driver and on psqlODBC.
class DataSourceTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // A stray database file would be created in the working directory.
        QVERIFY(QDir::setCurrent(m_workDir.path()));
    }

    void missingNamesAreNotFoundAndCreateNoFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QStringLiteral("   ");
        QTest::newRow("not listed") << QStringLiteral("NoSuchDataSource");
        QTest::newRow("connection string smuggled in")
            << QStringLiteral("x;DRIVER=SQLite3;Database=") +
                   m_workDir.filePath(QStringLiteral("smuggled.db"));
        QTest::newRow("listed, but its folder is missing") << QStringLiteral("BrokenFolder");
    }
    void missingNamesAreNotFoundAndCreateNoFile()
    {
        QFETCH(QString, name);
        // Entries that unixODBC could pick for a name it does not find: the first, and "Default".
        TestDataSource other(Backend::Sqlite);
        QVERIFY2(other.isValid(), qPrintable(other.error()));
        QVERIFY(qs::test::registerDataSource(
            QStringLiteral("Default"),
            qs::test::sqliteEntries(m_workDir.filePath(QStringLiteral("default.db")))));
        QVERIFY(qs::test::registerDataSource(
            QStringLiteral("BrokenFolder"),
            qs::test::sqliteEntries(QStringLiteral("/nonexistent/folder/x.db"))));
        const QStringList before = QDir(m_workDir.path()).entryList(QDir::Files);

        DataSource dataSource;
        DbError error;
        const QSqlDatabase db = dataSource.connection(name, &error);
        QCOMPARE(error.number, qs::store::DataSourceNotFound);
        QVERIFY(!error.description.isEmpty());
        QVERIFY(!db.isOpen());
        QCOMPARE(QDir(m_workDir.path()).entryList(QDir::Files), before);
    }

    void namesAreLookedUpWithoutRegardToCase()
    {
        TestDataSource source(Backend::Sqlite);
        DataSource dataSource;
        DbError error;
        QVERIFY(dataSource.connection(source.name().toUpper(), &error).isOpen());
        QVERIFY2(!error.failed(), qPrintable(error.description));
    }

    void queueTakesOnlyRowsNotDatedToday_data() { qs::test::addBackendRows(); }
    void queueTakesOnlyRowsNotDatedToday()
    {
        const auto source = dataSource();
        QVERIFY2(source->isValid(), qPrintable(source->error()));
        const QDate today(2026, 12, 6);
        for (const QVariant &date :
             {QVariant(today.addDays(-1)), QVariant(today), QVariant(QMetaType::fromType<QDate>()),
              QVariant(today.addDays(1)), QVariant(today.addDays(-400))})
            QVERIFY(source->exec(u"INSERT INTO listen (URL, DAGEN) VALUES ('u', ?)"_s, {date}));

        // Any date but today is due, one after today too; a row without a date never is.
        DataSource dataSource;
        const auto ids = [&](std::optional<qint64> after, int limit) {
            const qs::store::DueRows due =
                qs::store::selectDueRows(dataSource, source->name(), today, after, limit);
            QList<qint64> found;
            for (const qs::store::DueRow &row : due.rows)
                found << row.id.toLongLong();
            return due.error.failed() ? QList<qint64>{-1} : found;
        };
        QCOMPARE(ids(std::nullopt, 10), (QList<qint64>{1, 4, 5}));
        QCOMPARE(ids(std::nullopt, 2), (QList<qint64>{1, 4}));
        QCOMPARE(ids(1, 10), (QList<qint64>{4, 5}));
        QCOMPARE(ids(5, 10), QList<qint64>{});
    }
    void claimAndGiveBackGuardTheRow_data() { qs::test::addBackendRows(); }
    void claimAndGiveBackGuardTheRow()
    {
        const auto source = dataSource();
        QVERIFY2(source->isValid(), qPrintable(source->error()));
        QVERIFY(source->exec(u"INSERT INTO listen (URL, TAL) VALUES ('http://a/', 7)"_s));
        QVERIFY(source->exec(u"INSERT INTO listen (URL, TAL) VALUES ('http://b/', NULL)"_s));
        const QDate today(2026, 12, 6);
        DataSource dataSource;
        const QList<qs::store::DueRow> rows =
            qs::store::selectDueRows(dataSource, source->name(), today, std::nullopt, 10).rows;
        QCOMPARE(rows.size(), 2);
        const auto state = [&](int id) {
            return source->rows(u"SELECT DAGEN, TAL FROM listen WHERE ID = ?"_s, {id}).value(0);
        };
        using Outcome = qs::store::Claim::Outcome;

        for (const qs::store::DueRow &row : rows) {
            QCOMPARE(qs::store::claimRow(dataSource, source->name(), row, today).outcome, Outcome::Taken);
            // The claim is the guard between scanners: a second one finds the row taken.
            QCOMPARE(qs::store::claimRow(dataSource, source->name(), row, today).outcome,
                     Outcome::TakenElsewhere);
        }
        QCOMPARE(state(1), (QVariantList{today, 8}));
        QCOMPARE(state(2), (QVariantList{today, QVariant(QMetaType::fromType<int>())}));

        QVERIFY(!qs::store::giveBack(dataSource, source->name(), rows.at(0), today).failed());
        QCOMPARE(state(1), (QVariantList{QDate(2003, 1, 1), 7}));
        QVERIFY(!qs::store::giveBack(dataSource, source->name(), rows.at(1), today).failed());
        QCOMPARE(state(2).value(0), QVariant(QDate(2003, 1, 1)));
    }
    void keywordsWithQuotesAndWildcardsMatchExactly_data() { qs::test::addBackendRows(); }
    void keywordsWithQuotesAndWildcardsMatchExactly()
    {
        const auto source = dataSource();
        QVERIFY2(source->isValid(), qPrintable(source->error()));
        DataSource dataSource;
        QSqlQuery query;
        const QStringList keywords{QStringLiteral("don't"), QStringLiteral("50%"), QStringLiteral("a_b"),
                                   QStringLiteral("Car"), QStringLiteral("æble")};
        for (const QString &keyword : keywords)
            QVERIFY(!dataSource.exec(source->name(), query, sql::insertHit, {5, keyword, 100}).failed());
        for (const QString &keyword : keywords) {
            QVERIFY(!dataSource.exec(source->name(), query, sql::selectHit, {5, keyword}).failed());
            QVERIFY2(query.next(), qPrintable(keyword));
            QCOMPARE(query.value(QStringLiteral("KWORD")).toString(), keyword);
            QVERIFY(!query.next());
        }
        // Neither a wildcard nor a different case matches.
        for (const QString &other : {QStringLiteral("50x"), QStringLiteral("aXb"), QStringLiteral("car")}) {
            QVERIFY(!dataSource.exec(source->name(), query, sql::selectHit, {5, other}).failed());
            QVERIFY2(!query.next(), qPrintable(other));
        }
    }
    void aConnectionIsKeptOpenPerName_data() { qs::test::addBackendRows(); }
    void aConnectionIsKeptOpenPerName()
    {
        const auto source = dataSource();
        QVERIFY2(source->isValid(), qPrintable(source->error()));
        DataSource dataSource;
        DbError error;
        const QString first = dataSource.connection(source->name(), &error).connectionName();
        const QString second = dataSource.connection(source->name(), &error).connectionName();
        QCOMPARE(first, second);
        dataSource.closeAll();
        QVERIFY(!QSqlDatabase::contains(first));
    }

    void aDroppedConnectionIsOpenedAgain()
    {
        if (!qs::test::postgresAvailable())
            QSKIP("no PostgreSQL test server (run through ctest)");
        TestDataSource source(Backend::Postgres);
        QVERIFY2(source.isValid(), qPrintable(source.error()));
        DataSource dataSource;
        QSqlQuery query;
        QVERIFY(!dataSource.exec(source.name(), query, sql::selectKeywords).failed());
        QVERIFY(source.dropOtherSessions());
        const DbError error =
            dataSource.exec(source.name(), query, sql::insertUrl, {QStringLiteral("http://after/")});
        QVERIFY2(!error.failed(), qPrintable(error.description));
        QCOMPARE(source.count(QStringLiteral("listen")), 1);
    }

private:
    static std::unique_ptr<TestDataSource> dataSource()
    {
        QFETCH(Backend, backend);
        auto source = std::make_unique<TestDataSource>(backend);
        if (!source->isValid())
            qWarning() << source->error();
        return source;
    }
    QTemporaryDir m_workDir;
};

QTEST_GUILESS_MAIN(DataSourceTest)
#include "tst_datasource.moc"
