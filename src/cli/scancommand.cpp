#include "cli/scancommand.h"

#include <cstdio>

#include <QCoreApplication>
#include <QEventLoop>
#include <QLoggingCategory>

#include "core/app/operatorprompts.h"
#include "core/app/runstate.h"
#include "cli/commandline.h"
#include "core/notify/resultmail.h"
#include "core/engine.h"
#include "core/scan/scanrun.h"

namespace qs::cli {
namespace {

// The panes end their lines in CR LF; a terminal or a pipe wants LF.
void write(FILE *stream, QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

int runScanCommand(app::SettingsStore &settings, const scan::Clock &clock)
{
    // Standard error carries the error pane here. Qt's SQL driver reports every failed statement
    // with an uncategorised warning; the entry in the pane already says what failed.
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    app::HeadlessPrompts prompts;
    scan::Engine::Options options;
    options.withScheduler = false;
    scan::Engine engine(settings, prompts, clock, options);
    engine.load();

    // Errors are shown as they come, so that a long run can be followed.
    QObject::connect(&engine.state(), &app::RunState::fieldAppended, &engine,
                     [](app::Field field, const QString &piece) {
                         if (field == app::Field::txtEtrap)
                             write(stderr, piece);
                     });

    bool mailFailed = false;
    QEventLoop loop;
    QObject::connect(
        &engine.mail(), &notify::ResultMail::mailFinished, &loop, [&](bool accepted, const QString &reason) {
            if (!accepted) {
                mailFailed = true;
                write(stderr, QStringLiteral("quillmere-scan: the result mail failed: %1\n").arg(reason));
            }
            loop.quit();
        });
    QObject::connect(&engine.run(), &scan::ScanRun::runEnded, &loop, [&] {
        if (!engine.mail().isSending())
            loop.quit();
    });

    engine.run().start();
    if (engine.run().isRunning() || engine.mail().isSending())
        loop.exec();

    write(stdout, engine.state().text(app::Field::txtResultat) + QLatin1Char('\n'));
    if (engine.run().dataSourceFailed())
        return ExitNoDataSource;
    return mailFailed ? ExitMailFailed : ExitOk;
}

} // namespace qs::cli
