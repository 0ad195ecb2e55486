#pragma once

#include <chrono>
#include <map>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include "core/store/dberror.h"

namespace qs::store {

class StatementWatch;

// Opens ODBC data sources by name through Qt's ODBC driver, and keeps one open connection per
// name for the life of this object.
//
// A new ODBC connection costs about a millisecond, and a scan pass runs several statements, so
// the routines share these connections; each routine still asks by the name it has just read
// from the settings, so a changed name applies to its very next statement.
class DataSource
{
public:
    struct Limits
    {
        std::chrono::seconds login{30};
        // A statement still running after this long fails as an ordinary database error; zero:
        // no limit.
        std::chrono::seconds query{0};
    };

    DataSource();
    explicit DataSource(Limits limits);
    ~DataSource();
    DataSource(const DataSource &) = delete;
    DataSource &operator=(const DataSource &) = delete;

    void setLimits(Limits limits) { m_limits = limits; }
    // Told when a call that waits for the database starts and ends (may be null).
    void setWatch(StatementWatch *watch) { m_watch = watch; }

    // The open connection for name. A blank name, a name that the driver manager does not list
    // and a failed connect all give DataSourceNotFound.
    QSqlDatabase connection(const QString &name, DbError *error);

    // Prepares sql on the named data source, binds values in order and runs it; query is left on
    // the result. When the statement fails because the connection was lost (a restarted server),
    // the connection is opened again and the statement runs once more, except inside a
    // transaction, whose earlier statements went with the lost connection.
    DbError exec(const QString &name, QSqlQuery &query, const QString &sql, const QVariantList &values = {});

    // One transaction on the named data source: statements through exec() belong to it until
    // commit() or rollback().
    DbError begin(const QString &name);
    DbError commit(const QString &name);
    void rollback(const QString &name);

    // Closes every connection (the next use opens it again).
    void closeAll();

    // Whether unixODBC lists name among the user and system data sources.
    static bool isListed(const QString &name);

private:
    struct Connection
    {
        QString qtName;
        bool inTransaction = false;
    };

    DbError open(const QString &name, QSqlDatabase &db);
    // Opens the connection and sets the limit on how long a statement may run on it.
    bool openLimited(QSqlDatabase &db) const;
    static DbError run(QSqlDatabase &db, QSqlQuery &query, const QString &sql, const QVariantList &values);
    static bool isAlive(QSqlDatabase &db);

    Limits m_limits;
    StatementWatch *m_watch = nullptr;
    std::map<QString, Connection> m_connections; // by data-source name
};

} // namespace qs::store
