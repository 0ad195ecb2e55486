#include "cli/scancommand.h"

#include <QEventLoop>
#include <QLoggingCategory>

#include "cli/commandline.h"
#include "cli/stopsignals.h"
#include "core/app/operatorprompts.h"
#include "core/app/output.h"
#include "core/app/runfields.h"
#include "core/engine.h"
#include "core/notify/resultmail.h"
#include "core/scan/scanrun.h"

namespace qs::cli {

int runScanCommand(app::SettingsStore &settings, const app::Clock &clock, const ScanOptions &options)
{
    // Standard error carries the error pane here. Qt's SQL driver reports every failed statement
    // with an uncategorised warning; the entry in the pane already says what failed.
    QLoggingCategory::setFilterRules(QStringLiteral("default.warning=false"));
    app::HeadlessPrompts prompts;
    Engine::Options engineOptions;
    engineOptions.withScheduler = false;
    engineOptions.withMail = options.mail;
    Engine engine(settings, prompts, clock, engineOptions);
    engine.load();

    // Errors are shown as they come, so that a long run can be followed.
    QObject::connect(&engine.fields(), &app::RunFields::fieldAppended, &engine,
                     [](app::Field field, const QString &piece) {
                         if (field == app::Field::txtEtrap)
                             app::writeText(stderr, piece);
                     });

    QEventLoop loop;
    bool mailFailed = false;
    int stoppedBy = 0;
    notify::ResultMail *mail = engine.mail();
    if (mail != nullptr) {
        QObject::connect(mail, &notify::ResultMail::mailFinished, &loop, [&](bool accepted, const QString &reason) {
            if (!accepted) {
                mailFailed = true;
                app::writeLine(stderr, QStringLiteral("quillmere-scan: the result mail failed: %1").arg(reason));
            }
            loop.quit();
        });
    }
    QObject::connect(&engine.run(), &scan::ScanRun::runEnded, &loop, [&] {
        if (mail == nullptr || !mail->isSending())
            loop.quit();
    });
    StopSignals stops;
    QObject::connect(&stops, &StopSignals::received, &loop, [&](int signalNumber) {
        stoppedBy = signalNumber;
        engine.run().stop();
        loop.quit();
    });

    engine.run().start();
    if (engine.run().isRunning() || (mail != nullptr && mail->isSending()))
        loop.exec();

    app::writeLine(stdout, engine.fields().text(app::Field::txtResultat));
    if (stoppedBy != 0) {
        app::writeLine(stderr, QStringLiteral("Run stopped"));
        return 128 + stoppedBy;
    }
    if (engine.run().lastEnding() == scan::ScanRun::Ending::DataSourceFailed)
        return ExitNoDataSource;
    return mailFailed ? ExitMailFailed : ExitOk;
}

} // namespace qs::cli
