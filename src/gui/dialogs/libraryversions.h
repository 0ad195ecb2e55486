#pragma once

#include <QString>

// Versions of the libraries the program runs with, as loaded at run time.
namespace qs::gui::libraryversions {

// The unixODBC driver manager, e.g. "2.3 (ODBC 3.52)".
QString unixOdbc();
// libcurl, e.g. "7.88.1 (OpenSSL/3.0.15)".
QString curl();

} // namespace qs::gui::libraryversions
