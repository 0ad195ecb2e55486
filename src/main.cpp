#include <chrono>
#include <cstdio>

#include <QCoreApplication>

#include "cli/checkcommand.h"
#include "cli/commandline.h"
#include "cli/configcommand.h"
#include "cli/listcommand.h"
#include "cli/scancommand.h"
#include "cli/timercommand.h"
#include "core/app/clock.h"
#include "core/app/settingsstore.h"
#include "core/notify/mailthreads.h"
#include "core/version.h"

#ifdef QS_HAVE_GUI
#include <QApplication>

#include "core/engine.h"
#include "gui/mainwindow/mainwindow.h"
#include "gui/mainwindow/windowprompts.h"
#endif

namespace {

// A mail still being sent when the program ends gets this long to finish.
constexpr std::chrono::seconds MailGracePeriod{30};

void printLine(FILE *stream, const QString &text)
{
    std::fprintf(stream, "%s\n", text.toLocal8Bit().constData());
}

QStringList argumentList(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

int runWindow(int argc, char *argv[])
{
#ifdef QS_HAVE_GUI
    if (!hasDisplay()) {
        printLine(stderr, QStringLiteral("quillmere-scan: no display to open the window on; without one use "
                                         "'quillmere-scan scan' or 'quillmere-scan config KEY [VALUE]'"));
        return qs::cli::ExitNoDisplay;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere Scan"));
    QApplication::setApplicationVersion(QStringLiteral(QS_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.quillmere.QuillmereScan"));

    qs::app::SettingsStore settings(qs::app::SettingsStore::defaultFilePath());
    const qs::app::SystemClock clock = qs::app::SystemClock::fromEnvironment();
    qs::gui::WindowPrompts prompts;
    qs::Engine engine(settings, prompts, clock);
    int status = 0;
    {
        qs::gui::MainWindow window(engine, prompts);
        prompts.setWindow(&window);
        engine.load();
        window.show();
        status = QApplication::exec();
        prompts.setWindow(nullptr);
    }
    qs::notify::waitForMailThreads(MailGracePeriod);
    return status;
#else
    Q_UNUSED(argc)
    Q_UNUSED(argv)
    printLine(stderr,
              QStringLiteral("quillmere-scan: built without the window; use 'quillmere-scan --help'"));
    return qs::cli::ExitFailure;
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    qs::notify::initialiseMailSupport();
    using Kind = qs::cli::Command::Kind;
    const qs::cli::Command command = qs::cli::parseCommandLine(argumentList(argc, argv));
    switch (command.kind) {
    case Kind::Window:
        return runWindow(argc, argv);
    case Kind::Help:
        std::fputs(qs::cli::usageText().toLocal8Bit().constData(), stdout);
        return qs::cli::ExitOk;
    case Kind::Version:
        printLine(stdout, QStringLiteral("quillmere-scan " QS_VERSION));
        return qs::cli::ExitOk;
    case Kind::Usage:
        printLine(stderr,
                  QStringLiteral("quillmere-scan: %1; try 'quillmere-scan --help'").arg(command.error));
        return qs::cli::ExitUsage;
    case Kind::Config: {
        QCoreApplication app(argc, argv);
        qs::app::SettingsStore settings(qs::app::SettingsStore::defaultFilePath());
        return qs::cli::runConfigCommand(settings, command.arguments);
    }
    case Kind::Lists: {
        QCoreApplication app(argc, argv);
        qs::app::SettingsStore settings(qs::app::SettingsStore::defaultFilePath());
        const qs::app::SystemClock clock = qs::app::SystemClock::fromEnvironment();
        return qs::cli::runListCommand(settings, clock, command.word, command.arguments);
    }
    case Kind::Check: {
        QCoreApplication app(argc, argv);
        qs::app::SettingsStore settings(qs::app::SettingsStore::defaultFilePath());
        const qs::app::SystemClock clock = qs::app::SystemClock::fromEnvironment();
        return qs::cli::runCheckCommand(settings, clock, command.arguments);
    }
    case Kind::Timer: {
        QCoreApplication app(argc, argv);
        return qs::cli::runTimerCommand(command.arguments);
    }
    case Kind::Scan: {
        QCoreApplication app(argc, argv);
        qs::app::SettingsStore settings(qs::app::SettingsStore::defaultFilePath());
        const qs::app::SystemClock clock = qs::app::SystemClock::fromEnvironment();
        qs::cli::ScanOptions options;
        options.mail = !command.arguments.contains(QStringLiteral("--no-mail"));
        const int status = qs::cli::runScanCommand(settings, clock, options);
        qs::notify::waitForMailThreads(MailGracePeriod);
        return status;
    }
    }
    return qs::cli::ExitFailure;
}
