#pragma once

#include <variant>

#include <QString>
#include <QUrl>

#include "core/scan/fetchresult.h"

namespace qs::scan {

// The URL actually requested for a stored URL text, or why it cannot be requested.
//
// Blanks around the text are ignored. Text without a scheme ("www.example.com/a",
// "example.com:8080/a") is taken as http, as a browser's address bar does. Only http and https
// are fetched; every other scheme (file:, ftp:, data:, mailto:, javascript:, ...) is refused, and
// so is a URL without a host.
std::variant<QUrl, Refusal> requestUrlFor(const QString &stored);

// True for the schemes the fetcher reads (http, https), compared case-insensitively.
bool isFetchableScheme(const QString &scheme);

} // namespace qs::scan
