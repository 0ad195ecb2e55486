#include "gui/dialogs/libraryversions.h"

#include <array>

#include <QStringList>

#include <curl/curl.h>
#include <sql.h>
#include <sqlext.h>

namespace qs::gui::libraryversions {

namespace {

// Releases an ODBC handle when it goes out of scope.
struct OdbcHandle
{
    explicit OdbcHandle(SQLSMALLINT handleType)
        : type(handleType)
    {}
    SQLSMALLINT type;
    SQLHANDLE handle = SQL_NULL_HANDLE;
    OdbcHandle(const OdbcHandle &) = delete;
    OdbcHandle &operator=(const OdbcHandle &) = delete;
    ~OdbcHandle()
    {
        if (handle != SQL_NULL_HANDLE)
            SQLFreeHandle(type, handle);
    }
};

} // namespace

QString unixOdbc()
{
    OdbcHandle env{SQL_HANDLE_ENV};
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env.handle)))
        return QStringLiteral("unknown");
    SQLSetEnvAttr(env.handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    OdbcHandle connection{SQL_HANDLE_DBC};
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env.handle, &connection.handle)))
        return QStringLiteral("unknown");
    // The driver manager answers this one without a connection: "03.52.0002.0003" is ODBC 3.52
    // from driver manager 2.3.
    std::array<SQLCHAR, 64> buffer{};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(connection.handle, SQL_DM_VER, buffer.data(),
                                  static_cast<SQLSMALLINT>(buffer.size()), &length)))
        return QStringLiteral("unknown");
    QString text = QString::fromLatin1(reinterpret_cast<const char *>(buffer.data()));
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return text;
    const auto number = [](const QString &part) { return QString::number(part.toInt()); };
    return number(parts.at(2)) + QLatin1Char('.') + number(parts.at(3)) + QStringLiteral(" (ODBC ") +
           number(parts.at(0)) + QLatin1Char('.') + parts.at(1) + QLatin1Char(')');
}

QString curl()
{
    const curl_version_info_data *info = curl_version_info(CURLVERSION_NOW);
    if (info == nullptr || info->version == nullptr)
        return QStringLiteral("unknown");
    QString text = QString::fromLatin1(info->version);
    if (info->ssl_version != nullptr)
        text += QStringLiteral(" (") + QString::fromLatin1(info->ssl_version) + QLatin1Char(')');
    return text;
}

} // namespace qs::gui::libraryversions
