#pragma once

#include <QString>

// Per-user locations, following the XDG base directory rules.
namespace qs::app::paths {

// $XDG_CONFIG_HOME/quillmere-scan, default ~/.config/quillmere-scan.
QString configDir();
// $XDG_DATA_HOME/quillmere-scan, default ~/.local/share/quillmere-scan.
QString dataDir();
// The unixODBC file of per-user data sources: $ODBCINI when set, else .odbc.ini in the
// account's home folder.
QString userOdbcIni();

} // namespace qs::app::paths
