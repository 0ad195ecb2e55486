#include "core/lists/csv.h"

namespace qs::lists {

std::variant<QList<CsvRecord>, QString> parseCsv(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    QList<CsvRecord> records;
    CsvRecord record;
    QString field;
    bool quoted = false;    // inside a quoted field
    bool wasQuoted = false; // the field under way began with a quote
    bool fieldStarted = false;
    qsizetype line = 1;
    record.line = 1;

    const auto endField = [&] {
        record.fields.append(field);
        field.clear();
        wasQuoted = false;
        fieldStarted = false;
    };
    const auto endRecord = [&] {
        endField();
        const bool blank = record.fields.size() == 1 && record.fields.first().trimmed().isEmpty();
        if (!blank)
            records.append(record);
        record = CsvRecord{line + 1, {}};
    };

    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"') {
                field += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                if (c == u'\n')
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == u'"') {
            if (fieldStarted)
                return QStringLiteral("line %1: a quote inside a field that is not quoted").arg(line);
            quoted = wasQuoted = fieldStarted = true;
        } else if (c == u',') {
            endField();
        } else if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n') {
            continue; // the LF ends the record
        } else if (c == u'\n') {
            endRecord();
            ++line;
        } else {
            if (wasQuoted)
                return QStringLiteral("line %1: text after the closing quote of a field").arg(line);
            field += c;
            fieldStarted = true;
        }
    }
    if (quoted)
        return QStringLiteral("line %1: a quoted field is never closed").arg(record.line);
    if (!field.isEmpty() || !record.fields.isEmpty() || wasQuoted)
        endRecord();
    return records;
}

QByteArray csvLine(const QStringList &fields)
{
    QStringList written;
    for (const QString &field : fields) {
        const bool quote = field.contains(u',') || field.contains(u'"') || field.contains(u'\n') ||
                           field.contains(u'\r') || field.startsWith(u' ') || field.endsWith(u' ');
        written << (quote ? u'"' + QString(field).replace(u'"', QStringLiteral("\"\"")) + u'"' : field);
    }
    return written.join(u',').toUtf8() + "\r\n";
}

} // namespace qs::lists
