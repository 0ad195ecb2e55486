#include "testdatasource.h"

#include <atomic>

#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

using namespace Qt::StringLiterals;

namespace qs::test {
namespace {

QString uniqueSuffix()
{
    static std::atomic<int> serial{0};
    return u"%1_%2"_s.arg(QCoreApplication::applicationPid()).arg(++serial);
}

// PG_SOCKET_DIR, PG_PORT and PG_USER of the test server, from its state file.
QString postgresSetting(const QString &key)
{
    QFile state(qEnvironmentVariable("QS_TEST_PG_STATE"));
    if (!state.open(QIODevice::ReadOnly))
        return {};
    for (const QString &line : QString::fromUtf8(state.readAll()).split(u'\n')) {
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    }
    return {};
}

QList<QPair<QString, QString>> postgresEntries(const QString &database)
{
    return {{u"Driver"_s, u"PostgreSQL Unicode"_s},
            {u"Servername"_s, postgresSetting(u"PG_SOCKET_DIR"_s)},
            {u"Port"_s, postgresSetting(u"PG_PORT"_s)},
            {u"Database"_s, database},
            {u"Username"_s, postgresSetting(u"PG_USER"_s)},
            {u"Password"_s, QString()},
            {u"CommLog"_s, u"0"_s},
            {u"Debug"_s, u"0"_s}};
}

QSqlDatabase openConnection(const QString &connectionName, const QString &dsn, QString *error)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(u"QODBC"_s, connectionName);
    // As the program opens it: 64-bit integers arrive whole.
    db.setDatabaseName(dsn + u";BigInt=1"_s);
    if (!db.open())
        *error = db.lastError().text();
    return db;
}

QSqlQuery prepared(const QString &connection, const QString &sql, const QVariantList &values)
{
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);
    query.prepare(sql);
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        qWarning().noquote() << sql << "failed:" << query.lastError().text();
    return query;
}

} // namespace

bool postgresAvailable()
{
    return !postgresSetting(u"PG_SOCKET_DIR"_s).isEmpty();
}

void addBackendRows()
{
    QTest::addColumn<Backend>("backend");
    QTest::newRow("sqlite") << Backend::Sqlite;
    QTest::newRow("postgresql") << Backend::Postgres;
}

QList<QPair<QString, QString>> sqliteEntries(const QString &databaseFile)
{
    return {{u"Driver"_s, u"SQLite3"_s},
            {u"Database"_s, databaseFile},
            {u"JournalMode"_s, u"WAL"_s},
            {u"SyncPragma"_s, u"NORMAL"_s},
            {u"StepAPI"_s, u"1"_s}};
}

bool registerDataSource(const QString &name, const QList<QPair<QString, QString>> &entries)
{
    // The file lives on between runs in the build tree; each test process starts it afresh.
    // Tests must never write into the user's own ODBC file: ctest sets ODBCINI.
    static bool fresh = false;
    QFile file(qEnvironmentVariable("ODBCINI"));
    Q_ASSERT(!file.fileName().isEmpty());
    const QIODevice::OpenMode mode = fresh ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate;
    fresh = true;
    if (!file.open(mode | QIODevice::Text))
        return false;
    QByteArray section = "\n[" + name.toUtf8() + "]\n";
    for (const auto &[key, value] : entries)
        section += key.toUtf8() + '=' + value.toUtf8() + '\n';
    return file.write(section) == section.size();
}

TestDataSource::TestDataSource(Backend backend)
    : m_backend(backend)
    , m_name(
          u"qs_test_%1_%2"_s.arg(backend == Backend::Sqlite ? u"sqlite"_s : u"postgresql"_s, uniqueSuffix()))
    , m_connection(u"test-arrange:"_s + m_name)
{
    if (backend == Backend::Sqlite) {
        registerDataSource(m_name, sqliteEntries(m_dir.filePath(u"scan.db"_s)));
    } else if (!postgresAvailable()) {
        m_error = u"no PostgreSQL test server (run the test through ctest)"_s;
        return;
    } else if (!createPostgresDatabase()) {
        return;
    } else {
        registerDataSource(m_name, postgresEntries(m_pgDatabase));
    }
    openConnection(m_connection, m_name, &m_error);
    if (m_error.isEmpty())
        loadSchema();
}

TestDataSource::~TestDataSource()
{
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool TestDataSource::createPostgresDatabase()
{
    m_pgDatabase = u"qs_"_s + uniqueSuffix();
    const QString adminName = u"qs_admin_"_s + uniqueSuffix();
    registerDataSource(adminName, postgresEntries(u"postgres"_s));
    const QString connectionName = u"test-admin:"_s + adminName;
    {
        QSqlDatabase admin = openConnection(connectionName, adminName, &m_error);
        QSqlQuery create(admin);
        if (m_error.isEmpty() && !create.exec(u"CREATE DATABASE "_s + m_pgDatabase))
            m_error = create.lastError().text();
    }
    QSqlDatabase::removeDatabase(connectionName);
    return m_error.isEmpty();
}

void TestDataSource::loadSchema()
{
    const QString backend = m_backend == Backend::Sqlite ? u"sqlite"_s : u"postgresql"_s;
    QFile file(qEnvironmentVariable("QS_SOURCE_DIR") + u"/db/"_s + backend + u"/schema.sql"_s);
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = u"cannot read "_s + file.fileName();
        return;
    }
    QString text;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        if (!line.trimmed().startsWith(u"--"_s))
            text += line + u'\n';
    }
    for (const QString &statement : text.split(u';', Qt::SkipEmptyParts)) {
        if (!statement.trimmed().isEmpty() && !exec(statement)) {
            m_error = u"cannot load "_s + file.fileName();
            return;
        }
    }
}

bool TestDataSource::exec(const QString &sql, const QVariantList &values)
{
    return !prepared(m_connection, sql, values).lastError().isValid();
}

QList<QVariantList> TestDataSource::rows(const QString &sql, const QVariantList &values)
{
    QList<QVariantList> result;
    QSqlQuery query = prepared(m_connection, sql, values);
    while (query.next()) {
        QVariantList row;
        for (int column = 0; column < query.record().count(); ++column)
            row << query.value(column);
        result << row;
    }
    return result;
}

QVariant TestDataSource::value(const QString &sql, const QVariantList &values)
{
    return rows(sql, values).value(0).value(0);
}

QStringList TestDataSource::strings(const QString &sql)
{
    QStringList result;
    for (const QVariantList &row : rows(sql))
        result << row.value(0).toString();
    return result;
}

int TestDataSource::count(const QString &table)
{
    return value(u"SELECT COUNT(*) FROM "_s + table).toInt();
}

bool TestDataSource::dropOtherSessions()
{
    return m_backend == Backend::Postgres &&
           exec(u"SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                "WHERE datname = current_database() AND pid <> pg_backend_pid()"_s);
}

} // namespace qs::test
