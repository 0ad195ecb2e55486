#include "core/store/datasource.h"

#include <array>
#include <atomic>

#include <QLoggingCategory>
#include <QSqlError>

#include <sql.h>
#include <sqlext.h>

#include "core/app/settingsstore.h"

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

} // namespace

DataSource::DataSource(std::chrono::seconds loginTimeout)
    : m_loginTimeout(loginTimeout)
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
        // Qt's ODBC driver puts "DSN=" in front of a bare name itself.
        candidate.setDatabaseName(name);
        candidate.setConnectOptions(QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=%1").arg(m_loginTimeout.count()));
        if (candidate.open()) {
            m_connectionNames[name] = connectionName;
            db = candidate;
            return {};
        }
        error = {DataSourceNotFound, candidate.lastError().text()};
    }
    QSqlDatabase::removeDatabase(connectionName);
    return error;
}

QSqlDatabase DataSource::connection(const QString &name, DbError *error)
{
    *error = {};
    if (const auto found = m_connectionNames.find(name); found != m_connectionNames.end()) {
        QSqlDatabase db = QSqlDatabase::database(found->second, false);
        if (db.isOpen())
            return db;
        if (db.open())
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
    DbError error;
    QSqlDatabase db = connection(name, &error);
    if (error.failed())
        return error;
    error = run(db, query, sql, values);
    if (!error.failed() || isAlive(db))
        return error;

    qCInfo(lcDataSource) << "connection to" << name << "lost; opening it again";
    query = QSqlQuery();
    db.close();
    if (!db.open())
        return {DataSourceNotFound, db.lastError().text()};
    return run(db, query, sql, values);
}

void DataSource::closeAll()
{
    for (const auto &[dsnName, connectionName] : m_connectionNames) {
        {
            QSqlDatabase db = QSqlDatabase::database(connectionName, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(connectionName);
    }
    m_connectionNames.clear();
}

} // namespace qs::store
