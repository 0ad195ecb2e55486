#include "cli/listcommand.h"

#include <cstdio>
#include <optional>

#include <QFile>

#include "cli/commandline.h"
#include "cli/headless.h"
#include "core/app/displaytext.h"
#include "core/app/operatorprompts.h"
#include "core/app/output.h"
#include "core/app/settingsstore.h"
#include "core/engine.h"
#include "core/lists/keywordcommands.h"
#include "core/lists/listtransfer.h"
#include "core/lists/urlcommands.h"
#include "core/store/keywordlist.h"
#include "core/store/listtables.h"
#include "core/store/urlstatus.h"

namespace qs::cli {
namespace {

using lists::CommandResult;

// A value in a tab-separated line: a tab or a line break inside it would break the line up.
QString cell(const QVariant &value)
{
    QString text = app::safeForDisplay(value.isNull() ? QString() : value.toString());
    text.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
    return text;
}

int finish(const CommandResult &result, const QString &dsn)
{
    FILE *stream = result.kind == CommandResult::Kind::Done ? stdout : stderr;
    for (const QString &line : result.lines)
        app::writeLine(stream, result.kind == CommandResult::Kind::Done
                                   ? line
                                   : QStringLiteral("quillmere-scan: ") + line);
    switch (result.kind) {
    case CommandResult::Kind::Done:
        return ExitOk;
    case CommandResult::Kind::BadInput:
        return ExitUsage;
    case CommandResult::Kind::NoDataSource:
        app::writeLine(stderr,
                       QStringLiteral("quillmere-scan: the data source \"%1\" could not be opened. Name "
                                      "another with 'quillmere-scan config DSN NAME'; check this one with "
                                      "'isql -v %1'.")
                           .arg(dsn));
        return ExitNoDataSource;
    case CommandResult::Kind::Failed:
        return ExitFailure;
    }
    return ExitFailure;
}

int usage(const QString &what)
{
    app::writeLine(stderr, QStringLiteral("quillmere-scan: %1; try 'quillmere-scan --help'").arg(what));
    return ExitUsage;
}

std::optional<QByteArray> readInput(const QString &file)
{
    QFile in;
    const bool opened = file == QLatin1String("-") ? in.open(stdin, QIODevice::ReadOnly)
                                                   : (in.setFileName(file), in.open(QIODevice::ReadOnly));
    if (!opened) {
        app::writeLine(stderr,
                       QStringLiteral("quillmere-scan: cannot read %1: %2").arg(file, in.errorString()));
        return std::nullopt;
    }
    return in.readAll();
}

bool writeOutput(const QString &file, const QByteArray &bytes)
{
    if (file.isEmpty() || file == QLatin1String("-")) {
        std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
        std::fflush(stdout);
        return true;
    }
    QFile out(file);
    if (out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size())
        return true;
    app::writeLine(stderr,
                   QStringLiteral("quillmere-scan: cannot write %1: %2").arg(file, out.errorString()));
    return false;
}

std::optional<qint64> wholeNumber(const QString &text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

CommandResult listUrls(Engine &engine)
{
    const store::UrlRows rows = store::urlRows(engine.dataSource(), engine.dataSourceName().refresh());
    if (rows.error.failed())
        return CommandResult::fromError(rows.error, QStringLiteral("reading the URL list"));
    const QHash<qint64, store::UrlStatus> statuses = engine.urls().statuses();
    CommandResult result;
    result.lines << QStringLiteral(
        "ID\tURL\tSENSITIVITY\tDATE\tCOUNT\tLAST CHECK\tLAST OUTCOME\tFAILED RUNS");
    for (const store::UrlRow &row : rows.rows) {
        const auto status = statuses.constFind(row.id.toLongLong());
        const bool known = status != statuses.constEnd();
        result.lines << QStringList{cell(row.id),
                                    cell(row.url),
                                    cell(row.sensitivity),
                                    cell(row.date),
                                    cell(row.count),
                                    known ? status->lastCheck.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))
                                          : QString(),
                                    known ? cell(status->outcome) : QString(),
                                    known ? QString::number(status->failures) : QString()}
                            .join(u'\t');
    }
    return result;
}

CommandResult listKeywords(Engine &engine)
{
    const store::KeywordList keywords =
        store::loadKeywords(engine.dataSource(), engine.dataSourceName().refresh());
    if (keywords.error.failed())
        return CommandResult::fromError(keywords.error, QStringLiteral("reading the keyword list"));
    CommandResult result;
    result.lines << QStringLiteral("KEYWORD");
    for (const QString &keyword : keywords.values)
        result.lines << cell(keyword);
    return result;
}

} // namespace

int runListCommand(app::SettingsStore &settings, const app::Clock &clock, const QString &command,
                   const QStringList &arguments)
{
    quietDriverWarnings();
    if (!settingsReadable(settings))
        return ExitNoDataSource;
    app::HeadlessPrompts prompts;
    Engine engine(settings, prompts, clock, headlessOptions(false));
    const lists::ListContext &context = engine.listContext();
    const auto done = [&](const CommandResult &result) {
        return finish(result, engine.dataSourceName().current());
    };

    if (command == QLatin1String("reset-date")) {
        QList<qint64> ids;
        for (const QString &argument : arguments) {
            const std::optional<qint64> id = wholeNumber(argument);
            if (!id)
                return usage(QStringLiteral("reset-date takes IDs, and \"%1\" is none").arg(argument));
            ids << *id;
        }
        return done(engine.urls().resetDates(ids));
    }
    if (command == QLatin1String("reset-keywords")) {
        // The window asks first; here the question is answered on the command line.
        if (arguments != QStringList{QStringLiteral("--yes")})
            return usage(QStringLiteral("reset-keywords deletes every recorded hit: give --yes to do it"));
        return done(engine.keywords().resetHits());
    }

    const bool urls = command == QLatin1String("urls");
    const QString verb = arguments.value(0);
    const QStringList rest = arguments.mid(1);
    const lists::ListKind kind = urls ? lists::ListKind::Urls : lists::ListKind::Keywords;
    if (verb == QLatin1String("list") && rest.isEmpty())
        return done(urls ? listUrls(engine) : listKeywords(engine));
    if (verb == QLatin1String("export") && rest.size() <= 1) {
        QByteArray csv;
        const CommandResult result = lists::exportList(context, kind, &csv);
        if (result.kind != CommandResult::Kind::Done)
            return done(result);
        return writeOutput(rest.value(0), csv) ? ExitOk : ExitFailure;
    }
    if (verb == QLatin1String("import") && rest.size() == 1) {
        const std::optional<QByteArray> csv = readInput(rest.first());
        return csv ? done(lists::importList(context, kind, *csv)) : ExitUsage;
    }
    if (verb == QLatin1String("remove") && rest.size() == 1) {
        if (!urls)
            return done(engine.keywords().remove(rest.first()));
        const std::optional<qint64> id = wholeNumber(rest.first());
        return id ? done(engine.urls().remove(*id))
                  : usage(QStringLiteral("urls remove takes an ID, and \"%1\" is none").arg(rest.first()));
    }
    if (verb == QLatin1String("add") && !urls && rest.size() == 1)
        return done(engine.keywords().add(rest.first()));
    if (verb == QLatin1String("add") && urls && (rest.size() == 1 || rest.size() == 3)) {
        std::optional<qint64> sensitivity;
        if (rest.size() == 3) {
            if (rest.at(1) != QLatin1String("--sensitivity"))
                return usage(QStringLiteral("urls add URL [--sensitivity N]"));
            const app::WholeNumber typed = lists::sensitivityIn(rest.at(2));
            if (!typed.value)
                return usage(typed.problem.isEmpty() ? QStringLiteral("--sensitivity needs a number")
                                                     : typed.problem);
            sensitivity = typed.value;
        }
        return done(engine.urls().add(rest.first(), sensitivity));
    }
    return usage(QStringLiteral("%1 takes list, add, remove, import FILE or export [FILE]").arg(command));
}

} // namespace qs::cli
