#include "cli/scancommand.h"

#include <mutex>

#include <unistd.h>

#include <QEventLoop>

#include "cli/commandline.h"
#include "cli/databasewatchdog.h"
#include "cli/headless.h"
#include "cli/stopsignals.h"
#include "core/app/operatorprompts.h"
#include "core/app/output.h"
#include "core/app/runfields.h"
#include "core/app/settingsstore.h"
#include "core/engine.h"
#include "core/notify/resultmail.h"
#include "core/scan/scanrun.h"
#include "core/store/statementwatch.h"

namespace qs::cli {
namespace {

// What the report holds so far, for the watchdog's thread, which prints it when the database
// stops answering while the run's own thread is stuck in the hung statement. The copy is its own
// and grows piece by piece: sharing the run's text would make each of the run's appends copy the
// whole report, a cost that grows with the length of the list.
class ReportCopy
{
public:
    void set(const QString &report)
    {
        const std::lock_guard lock(m_mutex);
        m_report = QString(report.constData(), report.size());
    }
    void append(const QString &piece)
    {
        const std::lock_guard lock(m_mutex);
        m_report += piece;
    }
    QString get() const
    {
        const std::lock_guard lock(m_mutex);
        return QString(m_report.constData(), m_report.size());
    }

private:
    mutable std::mutex m_mutex;
    QString m_report;
};

} // namespace

int runScanCommand(app::SettingsStore &settings, const app::Clock &clock, const ScanOptions &options)
{
    // Standard error carries the error pane here, whose entries say what failed.
    quietDriverWarnings();
    app::HeadlessPrompts prompts;
    // A statement still running after the limit has hung: the server no longer answers. A slow
    // statement on a live server fails a little before, as an ordinary database error. The
    // watchdog outlives the engine, whose end gives back the rows of a stopped run.
    const app::NumberSetting timeout = settings.readNumber(app::numbers::DatabaseTimeout);
    if (!timeout.problem.isEmpty())
        app::writeLine(stderr, QStringLiteral("quillmere-scan: ") + timeout.problem);
    const qint64 limit = timeout.value;
    ReportCopy report;
    store::StatementWatch watch;
    const DatabaseWatchdog watchdog(watch, std::chrono::seconds(limit), [&report](const QString &dataSource) {
        // The rows the run took stay taken: the database cannot be reached to give them back.
        app::writeLine(stdout, report.get());
        app::writeLine(stderr, QStringLiteral("Database not answering: ") + dataSource);
        ::_exit(ExitDatabaseNotAnswering);
    });
    Engine engine(settings, prompts, clock, headlessOptions(options.mail));
    store::DataSource::Limits limits;
    limits.query = std::chrono::seconds(std::max<qint64>(1, limit - std::max<qint64>(1, limit / 4)));
    engine.dataSource().setLimits(limits);
    engine.dataSource().setWatch(&watch);
    QObject::connect(&engine.fields(), &app::RunFields::fieldChanged, &engine, [&](app::Field field) {
        if (field == app::Field::txtResultat)
            report.set(engine.fields().text(field));
    });
    engine.load();

    // Errors are shown as they come, so that a long run can be followed.
    QObject::connect(&engine.fields(), &app::RunFields::fieldAppended, &engine,
                     [&](app::Field field, const QString &piece) {
                         if (field == app::Field::txtEtrap)
                             app::writeText(stderr, piece);
                         if (field == app::Field::txtResultat)
                             report.append(piece);
                     });

    QEventLoop loop;
    bool mailFailed = false;
    int stoppedBy = 0;
    notify::ResultMail *mail = engine.mail();
    if (mail != nullptr) {
        QObject::connect(
            mail, &notify::ResultMail::mailFinished, &loop, [&](bool accepted, const QString &reason) {
                if (!accepted) {
                    mailFailed = true;
                    app::writeLine(stderr,
                                   QStringLiteral("quillmere-scan: the result mail failed: %1").arg(reason));
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
