#pragma once

#include <chrono>
#include <map>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include "core/store/dberror.h"

namespace qs::store {

// Opens ODBC data sources by name through Qt's ODBC driver, and keeps one open connection per
// name for the life of this object.
//
// A new ODBC connection costs about a millisecond, and a scan pass runs several statements, so
// the routines share these connections; each routine still asks by the name it has just read
// from the settings, so a changed name applies to its very next statement.
class DataSource
{
public:
    explicit DataSource(std::chrono::seconds loginTimeout = std::chrono::seconds(30));
    ~DataSource();
    DataSource(const DataSource &) = delete;
    DataSource &operator=(const DataSource &) = delete;

    // The open connection for name. A blank name, a name that the driver manager does not list
    // and a failed connect all give DataSourceNotFound.
    QSqlDatabase connection(const QString &name, DbError *error);

    // Prepares sql on the named data source, binds values in order and runs it; query is left on
    // the result. When the statement fails because the connection was lost (a restarted server),
    // the connection is opened again and the statement runs once more.
    DbError exec(const QString &name, QSqlQuery &query, const QString &sql, const QVariantList &values = {});

    // Closes every connection (the next use opens it again).
    void closeAll();

    // Whether unixODBC lists name among the user and system data sources.
    static bool isListed(const QString &name);

private:
    DbError open(const QString &name, QSqlDatabase &db);
    static DbError run(QSqlDatabase &db, QSqlQuery &query, const QString &sql, const QVariantList &values);
    static bool isAlive(QSqlDatabase &db);

    std::chrono::seconds m_loginTimeout;
    std::map<QString, QString> m_connectionNames; // data-source name -> Qt connection name
};

} // namespace qs::store
