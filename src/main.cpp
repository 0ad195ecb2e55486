#include <chrono>
#include <cstdio>

#include <QCoreApplication>

#include "core/app/settingsstore.h"
#include "cli/commandline.h"
#include "cli/configcommand.h"
#include "cli/scancommand.h"
#include "core/notify/mailthreads.h"
#include "core/scan/clock.h"

#ifdef QS_HAVE_GUI
#include <QApplication>

#include "core/app/operatorprompts.h"
#include "gui/mainwindow/mainwindow.h"
#include "core/engine.h"
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
    const qs::scan::SystemClock clock = qs::scan::SystemClock::fromEnvironment();
    qs::app::HeadlessPrompts headless;
    qs::scan::Engine engine(settings, headless, clock);
    int status = 0;
    {
        qs::gui::MainWindow window(engine);
        engine.load();
        window.show();
        status = QApplication::exec();
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
    case Kind::Scan: {
        QCoreApplication app(argc, argv);
        qs::app::SettingsStore settings(qs::app::SettingsStore::defaultFilePath());
        const qs::scan::SystemClock clock = qs::scan::SystemClock::fromEnvironment();
        const int status = qs::cli::runScanCommand(settings, clock);
        qs::notify::waitForMailThreads(MailGracePeriod);
        return status;
    }
    }
    return qs::cli::ExitFailure;
}
