#pragma once

#include <variant>

#include <QByteArray>
#include <QList>
#include <QStringList>

namespace qs::lists {

// One record of a CSV file and the line it starts on (1-based).
struct CsvRecord
{
    qsizetype line = 0;
    QStringList fields;
};

// Reads CSV as RFC 4180 writes it: fields separated by commas, records by CR LF or LF, a field in
// double quotes may hold commas, quotes (doubled) and line breaks. The text is UTF-8. Blank lines
// are left out. Returns the records, or why the text cannot be read (with its line).
std::variant<QList<CsvRecord>, QString> parseCsv(const QByteArray &text);

// One record as a CSV line, ended by CR LF; a field is quoted when it holds a comma, a quote, a
// line break or blanks at either end.
QByteArray csvLine(const QStringList &fields);

} // namespace qs::lists
