#include "core/lists/listtransfer.h"

#include <limits>
#include <variant>

#include <QSet>

#include "core/app/blanks.h"
#include "core/app/datasourcename.h"
#include "core/lists/csv.h"
#include "core/scan/requesturl.h"
#include "core/store/datasource.h"
#include "core/store/keywordlist.h"
#include "core/store/listtables.h"

namespace qs::lists {

namespace {

constexpr qint64 DefaultSensitivity = 50;

QStringList header(ListKind kind)
{
    return kind == ListKind::Urls ? QStringList{QStringLiteral("url"), QStringLiteral("sensitivity")}
                                  : QStringList{QStringLiteral("keyword")};
}

// What an import adds: one row per good line.
struct ImportRow
{
    qsizetype line = 0;
    QString value;
    qint64 sensitivity = DefaultSensitivity;
};

} // namespace

CommandResult CommandResult::fromError(const store::DbError &error, const QString &doing)
{
    return {error.number == store::DataSourceNotFound ? Kind::NoDataSource : Kind::Failed,
            {QStringLiteral("%1: %2 (%3)").arg(doing, error.description).arg(error.number)}};
}

QString urlProblem(const QString &url)
{
    if (app::isBlank(url))
        return QStringLiteral("the URL is empty");
    // The run's own reading of a stored URL decides: what it would not fetch is no use listed.
    const auto target = scan::requestUrlFor(url);
    if (const auto *refusal = std::get_if<scan::Refusal>(&target))
        return refusal->description;
    return {};
}

app::WholeNumber sensitivityIn(const QString &text)
{
    if (app::isBlank(text))
        return {};
    return app::wholeNumberIn(QStringLiteral("the sensitivity"), text, 0, std::numeric_limits<qint32>::max());
}

CommandResult importList(const ListContext &context, ListKind kind, const QByteArray &csv)
{
    const auto parsed = parseCsv(csv);
    if (const auto *problem = std::get_if<QString>(&parsed))
        return CommandResult::badInput(*problem + QStringLiteral("; nothing imported"));
    QList<CsvRecord> records = std::get<QList<CsvRecord>>(parsed);
    QStringList fieldNames;
    if (!records.isEmpty()) {
        for (const QString &field : records.first().fields)
            fieldNames << field.trimmed().toLower();
    }
    if (fieldNames != header(kind))
        return CommandResult::badInput(
            QStringLiteral("line 1: the header line must be \"%1\"; nothing imported")
                .arg(header(kind).join(u',')));
    records.removeFirst();

    // Every line is looked at before anything is written.
    QList<ImportRow> rows;
    QStringList bad;
    for (const CsvRecord &record : std::as_const(records)) {
        QString problem;
        ImportRow row{record.line, record.fields.value(0), DefaultSensitivity};
        if (record.fields.size() > header(kind).size())
            problem = QStringLiteral("more fields than \"%1\"").arg(header(kind).join(u','));
        else if (kind == ListKind::Urls)
            problem = urlProblem(row.value);
        else if (app::isBlank(row.value))
            problem = QStringLiteral("the keyword is empty");
        if (problem.isEmpty() && kind == ListKind::Urls) {
            const app::WholeNumber sensitivity = sensitivityIn(record.fields.value(1));
            problem = sensitivity.problem;
            row.sensitivity = sensitivity.value.value_or(row.sensitivity);
        }
        if (problem.isEmpty())
            rows.append(row);
        else
            bad << QStringLiteral("line %1: %2").arg(record.line).arg(problem);
    }
    if (!bad.isEmpty())
        return {CommandResult::Kind::BadInput, bad << QStringLiteral("nothing imported")};

    const QString dsn = context.dataSourceName.refresh();
    // What is listed already is found first, so that no statement of the transaction fails on a
    // unique index: on PostgreSQL one failed statement would abort the whole transaction.
    QStringList listed;
    QSet<QString> listedUrls;
    if (kind == ListKind::Urls) {
        const store::UrlRows urls = store::urlRows(context.dataSource, dsn);
        if (urls.error.failed())
            return CommandResult::fromError(urls.error, QStringLiteral("reading the URL list"));
        for (const store::UrlRow &url : urls.rows)
            listedUrls.insert(store::urlKey(url.url.toString()));
    } else {
        const store::KeywordList keywords = store::loadKeywords(context.dataSource, dsn);
        if (keywords.error.failed())
            return CommandResult::fromError(keywords.error, QStringLiteral("reading the keyword list"));
        listed = keywords.values;
    }

    CommandResult result;
    if (const store::DbError error = context.dataSource.begin(dsn); error.failed())
        return CommandResult::fromError(error, QStringLiteral("starting the import"));
    int added = 0;
    for (const ImportRow &row : std::as_const(rows)) {
        store::DbError error;
        if (kind == ListKind::Urls) {
            const QString key = store::urlKey(row.value);
            if (listedUrls.contains(key)) {
                result.lines
                    << QStringLiteral("line %1: %2 is listed already; left out").arg(row.line).arg(key);
                continue;
            }
            listedUrls.insert(key);
            error = store::insertUrl(context.dataSource, dsn, row.value, row.sensitivity);
        } else {
            if (const QString alike = store::alikeKeyword(listed, row.value); !alike.isNull()) {
                result.lines << QStringLiteral(
                                    "line %1: the keyword \"%2\" is listed already as \"%3\"; left out")
                                    .arg(row.line)
                                    .arg(row.value, alike);
                continue;
            }
            listed << row.value;
            error = store::insertKeyword(context.dataSource, dsn, row.value);
        }
        if (error.failed()) {
            context.dataSource.rollback(dsn);
            CommandResult failed = CommandResult::fromError(error, QStringLiteral("line %1").arg(row.line));
            failed.lines << QStringLiteral("nothing imported");
            return failed;
        }
        ++added;
    }
    if (const store::DbError error = context.dataSource.commit(dsn); error.failed()) {
        context.dataSource.rollback(dsn);
        return CommandResult::fromError(error, QStringLiteral("ending the import; nothing imported"));
    }
    result.lines << QStringLiteral("%1 added").arg(added);
    return result;
}

CommandResult exportList(const ListContext &context, ListKind kind, QByteArray *csv)
{
    const QString dsn = context.dataSourceName.refresh();
    *csv = csvLine(header(kind));
    if (kind == ListKind::Urls) {
        const store::UrlRows urls = store::urlRows(context.dataSource, dsn);
        if (urls.error.failed())
            return CommandResult::fromError(urls.error, QStringLiteral("reading the URL list"));
        for (const store::UrlRow &url : urls.rows) {
            *csv += csvLine(
                {url.url.toString(), url.sensitivity.isNull() ? QString() : url.sensitivity.toString()});
        }
        return {};
    }
    const store::KeywordList keywords = store::loadKeywords(context.dataSource, dsn);
    if (keywords.error.failed())
        return CommandResult::fromError(keywords.error, QStringLiteral("reading the keyword list"));
    for (const QString &keyword : keywords.values)
        *csv += csvLine({keyword});
    return {};
}

} // namespace qs::lists
