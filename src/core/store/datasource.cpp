#include "core/store/datasource.h"

#include <array>
#include <atomic>

#include <QLoggingCategory>
#include <QSqlDriver>
#include <QSqlError>

#include <sql.h>
#include <sqlext.h>

#include "core/app/blanks.h"
#include "core/store/statementwatch.h"

Q_LOGGING_CATEGORY(lcDataSource, "qs.store.datasource", QtWarningMsg)

namespace qs::store {
namespace {

QString uniqueConnectionName(const QString &dsnName)
{
    static std::atomic<int> serial{0};
    return QStringLiteral("quillmere:%1:%2").arg(++serial).arg(dsnName);
}

// Releases an ODBC handle when it goes out of scope.
struct OdbcHandle
{
    SQLSMALLINT type;
    SQLHANDLE handle = SQL_NULL_HANDLE;
    ~OdbcHandle()
    {
        if (handle != SQL_NULL_HANDLE)
            SQLFreeHandle(type, handle);
    }
};

SQLHDBC odbcHandle(const QSqlDatabase &db)
{
    const QVariant handle = db.driver()->handle();
    return handle.isValid() ? *static_cast<const SQLHDBC *>(handle.constData()) : SQL_NULL_HANDLE;
}

QString dbmsName(SQLHDBC handle)
{
    std::array<SQLCHAR, 256> name{};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(handle, SQL_DBMS_NAME, name.data(), SQLSMALLINT(name.size()), &length)))
        return {};
    return QString::fromLatin1(reinterpret_cast<const char *>(name.data()));
}

} // namespace

DataSource::DataSource()
    : DataSource(Limits())
{}

DataSource::DataSource(Limits limits)
    : m_limits(limits)
{}

DataSource::~DataSource()
{
    closeAll();
}

bool DataSource::isListed(const QString &name)
{
    OdbcHandle env{SQL_HANDLE_ENV};
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env.handle)))
        return false;
    SQLSetEnvAttr(env.handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);

    // The driver manager looks names up without regard to case.
    std::array<SQLCHAR, 1024> dsn{};
    std::array<SQLCHAR, 1024> description{};
    SQLSMALLINT dsnLength = 0;
    SQLSMALLINT descriptionLength = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(SQLDataSources(env.handle, direction, dsn.data(), dsn.size(), &dsnLength,
                                        description.data(), description.size(), &descriptionLength))) {
        direction = SQL_FETCH_NEXT;
        const QString listed = QString::fromLocal8Bit(reinterpret_cast<const char *>(dsn.data()));
        if (listed.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

DbError DataSource::open(const QString &name, QSqlDatabase &db)
{
    // A blank name must never reach the driver manager: unixODBC would fall back to some other
    // data source, and the SQLite driver would create a stray database file named "DSN=".
    if (app::isBlank(name))
        return {DataSourceNotFound, QStringLiteral("Data source name not found: no name is set")};
    if (!isListed(name))
        return {DataSourceNotFound, QStringLiteral("Data source name not found: ") + name};

    const QString connectionName = uniqueConnectionName(name);
    DbError error;
    {
        QSqlDatabase candidate = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), connectionName);
        // Qt's ODBC driver puts "DSN=" in front of a bare name itself. IDs and counts may pass
        // 2^31: without BigInt the SQLite driver hands 64-bit integers over cut to 32 bits (so
        // ID 2^31 would read as -2^31). Other drivers ignore the key.
        candidate.setDatabaseName(name + QStringLiteral(";BigInt=1"));
        candidate.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(m_limits.login.count()));
        if (openLimited(candidate)) {
            m_connections[name] = {connectionName, false};
            db = candidate;
            return {};
        }
        error = {DataSourceNotFound, candidate.lastError().text()};
    }
    QSqlDatabase::removeDatabase(connectionName);
    return error;
}

bool DataSource::openLimited(QSqlDatabase &db) const
{
    if (!db.open())
        return false;
    const auto seconds = m_limits.query.count();
    if (seconds <= 0)
        return true;
    const SQLHDBC handle = odbcHandle(db);
    // psqlODBC carries the connection's limit into every statement with a SET of its own, one
    // more round trip each; the server's own setting costs nothing per statement.
    if (dbmsName(handle) == QLatin1String("PostgreSQL")) {
        QSqlQuery set(db);
        set.exec(QStringLiteral("SET statement_timeout = %1").arg(seconds * 1000));
        return true;
    }
    // ODBC passes a number attribute in the pointer argument itself.
    SQLSetConnectAttr(
        handle, SQL_ATTR_QUERY_TIMEOUT,
        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(seconds)), // NOLINT(performance-no-int-to-ptr)
        0);
    return true;
}

QSqlDatabase DataSource::connection(const QString &name, DbError *error)
{
    const StatementWatch::Guard watching(m_watch, name);
    *error = {};
    if (const auto found = m_connections.find(name); found != m_connections.end()) {
        QSqlDatabase db = QSqlDatabase::database(found->second.qtName, false);
        if (db.isOpen())
            return db;
        if (openLimited(db))
            return db;
        *error = {DataSourceNotFound, db.lastError().text()};
        return {};
    }
    QSqlDatabase db;
    *error = open(name, db);
    return db;
}

DbError DataSource::run(QSqlDatabase &db, QSqlQuery &query, const QString &sql, const QVariantList &values)
{
    query = QSqlQuery(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        return DbError::fromStatement(query.lastError());
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec())
        return DbError::fromStatement(query.lastError());
    return {};
}

bool DataSource::isAlive(QSqlDatabase &db)
{
    QSqlQuery probe(db);
    return probe.exec(QStringLiteral("SELECT 1"));
}

DbError DataSource::exec(const QString &name, QSqlQuery &query, const QString &sql,
                         const QVariantList &values)
{
    const StatementWatch::Guard watching(m_watch, name);
    DbError error;
    QSqlDatabase db = connection(name, &error);
    if (error.failed())
        return error;
    error = run(db, query, sql, values);
    if (!error.failed() || isAlive(db))
        return error;

    Connection &kept = m_connections[name];
    if (kept.inTransaction) {
        // What the transaction wrote so far went with the connection; running this statement
        // alone on a new one would commit half of it.
        kept.inTransaction = false;
        db.close();
        return error;
    }
    qCInfo(lcDataSource) << "connection to" << name << "lost; opening it again";
    query = QSqlQuery();
    db.close();
    if (!openLimited(db))
        return {DataSourceNotFound, db.lastError().text()};
    return run(db, query, sql, values);
}

DbError DataSource::begin(const QString &name)
{
    const StatementWatch::Guard watching(m_watch, name);
    DbError error;
    QSqlDatabase db = connection(name, &error);
    if (error.failed())
        return error;
    if (!db.transaction())
        return DbError::fromStatement(db.lastError());
    m_connections[name].inTransaction = true;
    return {};
}

DbError DataSource::commit(const QString &name)
{
    const StatementWatch::Guard watching(m_watch, name);
    const auto found = m_connections.find(name);
    if (found == m_connections.end() || !found->second.inTransaction)
        return {1, QStringLiteral("No transaction is open on ") + name};
    found->second.inTransaction = false;
    QSqlDatabase db = QSqlDatabase::database(found->second.qtName, false);
    if (!db.commit())
        return DbError::fromStatement(db.lastError());
    return {};
}

void DataSource::rollback(const QString &name)
{
    const StatementWatch::Guard watching(m_watch, name);
    const auto found = m_connections.find(name);
    if (found == m_connections.end() || !found->second.inTransaction)
        return;
    found->second.inTransaction = false;
    QSqlDatabase::database(found->second.qtName, false).rollback();
}

void DataSource::closeAll()
{
    for (const auto &[dsnName, kept] : m_connections) {
        {
            QSqlDatabase db = QSqlDatabase::database(kept.qtName, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(kept.qtName);
    }
    m_connections.clear();
}

} // namespace qs::store
