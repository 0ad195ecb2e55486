#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

namespace qs::test {

enum class Backend
{
    Sqlite,
    Postgres
};

// Whether the throwaway PostgreSQL server of the test run is up (ctest starts it as a fixture
// and names its state file in QS_TEST_PG_STATE).
bool postgresAvailable();
// A "backend" column with a row for each, for tests that must hold on both.
void addBackendRows();

// A data source of its own for one test: a new SQLite file or a new PostgreSQL database with the
// project's tables from db/, registered under a unique name in the test's own ODBC file ($ODBCINI,
// which ctest points into the build tree).
//
// The test arranges and checks rows through a connection of its own, apart from the program's.
class TestDataSource
{
public:
    explicit TestDataSource(Backend backend);
    ~TestDataSource();
    TestDataSource(const TestDataSource &) = delete;
    TestDataSource &operator=(const TestDataSource &) = delete;

    bool isValid() const { return m_error.isEmpty(); }
    const QString &error() const { return m_error; }
    Backend backend() const { return m_backend; }
    const QString &name() const { return m_name; }

    // False, with a warning, when the statement fails.
    bool exec(const QString &sql, const QVariantList &values = {});
    QList<QVariantList> rows(const QString &sql, const QVariantList &values = {});
    QVariant value(const QString &sql, const QVariantList &values = {});
    // The first column of every row, as text.
    QStringList strings(const QString &sql);
    int count(const QString &table);

    // Ends every session of this database on the server, as a server restart would.
    bool dropOtherSessions();

private:
    bool createPostgresDatabase();
    void loadSchema();

    Backend m_backend;
    QString m_name;
    QString m_pgDatabase;
    QString m_connection;
    QString m_error;
    QTemporaryDir m_dir;
};

// Appends a data-source section to the test's ODBC file.
bool registerDataSource(const QString &name, const QList<QPair<QString, QString>> &entries);
// The section of a SQLite data source as the embedded default one is written.
QList<QPair<QString, QString>> sqliteEntries(const QString &databaseFile);

} // namespace qs::test
