#pragma once

#include <QByteArray>

#include "core/app/wholenumber.h"
#include "core/lists/commandresult.h"
#include "core/lists/listcontext.h"

namespace qs::lists {

// The URL and keyword lists as CSV files (RFC 4180, UTF-8, with a header line: "url,sensitivity"
// and "keyword"), for moving lists between data sources and editing them elsewhere.
//
// An import is one transaction: a file with a bad line changes nothing. A URL (compared without
// the blanks around it) or a keyword already listed is reported and left out; the rest is added.
enum class ListKind
{
    Urls,
    Keywords
};

CommandResult importList(const ListContext &context, ListKind kind, const QByteArray &csv);
CommandResult exportList(const ListContext &context, ListKind kind, QByteArray *csv);

// Why a URL cannot be listed (empty, or not fetchable as http or https), or empty when it can.
QString urlProblem(const QString &url);
// A sensitivity the operator typed, a whole number from 0 to 2^31 - 1. Blank text gives neither a
// value nor a problem: it means the list's default, 50.
app::WholeNumber sensitivityIn(const QString &text);

} // namespace qs::lists
