#include "cli/checkcommand.h"

#include <variant>

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "cli/commandline.h"
#include "cli/headless.h"
#include "core/app/displaytext.h"
#include "core/app/operatorprompts.h"
#include "core/app/output.h"
#include "core/app/settingsstore.h"
#include "core/engine.h"
#include "core/scan/pagecheck.h"
#include "core/scan/pagefetcher.h"
#include "core/store/hitrecord.h"
#include "core/store/keywordlist.h"
#include "core/store/listtables.h"

namespace qs::cli {
namespace {

constexpr qsizetype ShownCharacters = 300;

QString verdictText(store::HitOutcome outcome)
{
    switch (outcome) {
    case store::HitOutcome::New:
        return QStringLiteral("new");
    case store::HitOutcome::Changed:
        return QStringLiteral("changed");
    case store::HitOutcome::Unchanged:
        return QStringLiteral("unchanged");
    }
    return {};
}

QString quoted(const scan::HitContext &context)
{
    if (context.hit.isEmpty())
        return {};
    return app::safeForDisplay((context.cutBefore ? QStringLiteral("…") : QString()) + context.before + u'[' +
                               context.hit + u']' + context.after +
                               (context.cutAfter ? QStringLiteral("…") : QString()));
}

// The row of the list with this URL (compared without the blanks around it).
struct ListedRow
{
    qint64 id = 0;
    std::optional<qint64> sensitivity;
};

} // namespace

int runCheckCommand(app::SettingsStore &settings, const app::Clock &clock, const QStringList &arguments)
{
    quietDriverWarnings();
    const bool json = arguments.contains(QStringLiteral("--json"));
    QStringList rest = arguments;
    rest.removeAll(QStringLiteral("--json"));
    if (rest.size() != 1) {
        app::writeLine(stderr, QStringLiteral("quillmere-scan: check takes one URL (and --json)"));
        return ExitUsage;
    }
    const QString url = rest.first();
    if (!settingsReadable(settings))
        return ExitNoDataSource;
    app::HeadlessPrompts prompts;
    Engine engine(settings, prompts, clock, headlessOptions(false));
    const QString dsn = engine.dataSourceName().refresh();

    // The keywords and rows are read before the page is fetched: nothing is written either way.
    const store::KeywordList keywords = store::loadKeywords(engine.dataSource(), dsn);
    const store::UrlRows urls = store::urlRows(engine.dataSource(), dsn);
    for (const store::DbError &error : {keywords.error, urls.error}) {
        if (error.failed()) {
            app::writeLine(stderr, QStringLiteral("quillmere-scan: the data source \"%1\" cannot be read: %2")
                                       .arg(dsn, error.description));
            return error.number == store::DataSourceNotFound ? ExitNoDataSource : ExitFailure;
        }
    }
    QList<ListedRow> listed;
    for (const store::UrlRow &row : urls.rows) {
        if (store::urlKey(row.url.toString()) != store::urlKey(url))
            continue;
        // Read as the run reads them, so that the verdict is the run's.
        listed << ListedRow{store::storedNumber(row.id).value_or(0), store::storedNumber(row.sensitivity)};
    }

    const auto started = engine.fetcher().fetch(url);
    if (const auto *refusal = std::get_if<scan::Refusal>(&started)) {
        app::writeLine(stderr, QStringLiteral("quillmere-scan: %1 cannot be requested: %2 %3")
                                   .arg(url)
                                   .arg(refusal->number)
                                   .arg(refusal->description));
        return ExitUsage;
    }
    scan::FetchResult result;
    QEventLoop loop;
    QObject::connect(&engine.fetcher(), &scan::PageFetcher::finished, &loop,
                     [&](quint64, const scan::FetchResult &finished) {
                         result = finished;
                         loop.quit();
                     });
    loop.exec();
    if (result.state != scan::FetchResult::Completed) {
        app::writeLine(stderr, QStringLiteral("quillmere-scan: the fetch failed: %1 %2")
                                   .arg(result.responseCode)
                                   .arg(result.responseInfo));
        return ExitFailure;
    }

    const scan::PageCheck check = scan::checkPage(result, keywords.values);
    QJsonArray keywordArray;
    QStringList lines{QStringLiteral("status line: ") + check.statusLine,
                      QStringLiteral("final URL: ") + check.finalUrl,
                      QStringLiteral("charset: ") + check.charset,
                      QStringLiteral("title: ") + check.title,
                      QStringLiteral("text length: %1").arg(check.text.size()),
                      QStringLiteral("text: ") + app::safeForDisplay(check.text.left(ShownCharacters))};
    for (const scan::KeywordCheck &keyword : check.keywords) {
        QStringList positions;
        QJsonArray positionArray;
        for (qsizetype position : keyword.positions) {
            positions << QString::number(position);
            positionArray.append(double(position));
        }
        lines << QStringLiteral("keyword: ") + keyword.keyword
              << QStringLiteral("  hits: %1 at %2")
                     .arg(keyword.positions.size())
                     .arg(positions.join(QStringLiteral(", ")))
              << QStringLiteral("  length compared: ") + (keyword.comparedLength
                                                              ? QString::number(*keyword.comparedLength)
                                                              : QStringLiteral("none"))
              << QStringLiteral("  context: ") + quoted(keyword.context);
        QJsonObject entry{
            {QStringLiteral("keyword"), keyword.keyword},
            {QStringLiteral("hits"), double(keyword.positions.size())},
            {QStringLiteral("positions"), positionArray},
            {QStringLiteral("length compared"),
             keyword.comparedLength ? QJsonValue(double(*keyword.comparedLength)) : QJsonValue()},
            {QStringLiteral("context"), quoted(keyword.context)}};
        QJsonArray rowArray;
        for (const ListedRow &row : std::as_const(listed)) {
            const store::StoredHit stored =
                store::storedHit(engine.dataSource(), dsn, row.id, keyword.keyword);
            QString verdict = QStringLiteral("not counted");
            if (keyword.comparedLength && row.sensitivity)
                verdict = verdictText(store::verdict(stored, *keyword.comparedLength, *row.sensitivity));
            const QString storedText =
                stored.exists && !stored.length.isNull() ? stored.length.toString() : QStringLiteral("none");
            lines << QStringLiteral("  row %1: stored length %2, %3").arg(row.id).arg(storedText, verdict);
            rowArray.append(QJsonObject{
                {QStringLiteral("row"), double(row.id)},
                {QStringLiteral("stored length"), stored.exists && !stored.length.isNull()
                                                      ? QJsonValue(double(stored.length.toLongLong()))
                                                      : QJsonValue()},
                {QStringLiteral("verdict"), verdict}});
        }
        entry.insert(QStringLiteral("rows"), rowArray);
        keywordArray.append(entry);
    }
    if (json) {
        const QJsonObject object{
            {QStringLiteral("status line"), check.statusLine},
            {QStringLiteral("final URL"), check.finalUrl},
            {QStringLiteral("charset"), check.charset},
            {QStringLiteral("title"), check.title},
            {QStringLiteral("text length"), double(check.text.size())},
            {QStringLiteral("text"), app::safeForDisplay(check.text.left(ShownCharacters))},
            {QStringLiteral("keywords"), keywordArray}};
        app::writeText(stdout, QString::fromUtf8(QJsonDocument(object).toJson()));
    } else {
        for (const QString &line : std::as_const(lines))
            app::writeLine(stdout, line);
    }
    return ExitOk;
}

} // namespace qs::cli
