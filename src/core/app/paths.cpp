#include "core/app/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <QDir>

namespace qs::app::paths {
namespace {

// An XDG variable counts only when it holds an absolute path; otherwise the default applies.
QString xdgDir(const char *variable, const QString &fallbackBelowHome)
{
    QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return value;
    return QDir::homePath() + QLatin1Char('/') + fallbackBelowHome;
}

} // namespace

QString configDir()
{
    return xdgDir("XDG_CONFIG_HOME", QStringLiteral(".config")) + QStringLiteral("/quillmere-scan");
}

QString dataDir()
{
    return xdgDir("XDG_DATA_HOME", QStringLiteral(".local/share")) + QStringLiteral("/quillmere-scan");
}

QString userOdbcIni()
{
    QString odbcIni = qEnvironmentVariable("ODBCINI");
    if (!odbcIni.isEmpty())
        return odbcIni;
    // unixODBC takes the account's home folder from the password database, not from $HOME.
    const passwd *account = getpwuid(getuid());
    const QString home = account != nullptr ? QString::fromLocal8Bit(account->pw_dir) : QDir::homePath();
    return home + QStringLiteral("/.odbc.ini");
}

} // namespace qs::app::paths
