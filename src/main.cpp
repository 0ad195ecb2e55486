#include <cstdio>

#include <QCoreApplication>
#include <QDate>

#include "app/settingsstore.h"
#include "cli/commandline.h"
#include "cli/configcommand.h"

#ifdef QS_HAVE_GUI
#include <QApplication>

#include "app/runstate.h"
#include "app/startup.h"
#include "gui/app/mainwindow.h"
#endif

namespace {

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
    qs::app::RunState state;
    qs::app::loadMainForm(state, settings, QDate::currentDate());
    qs::gui::MainWindow window(state, settings);
    window.show();
    return QApplication::exec();
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
    case Kind::Scan:
        printLine(stderr, QStringLiteral("quillmere-scan: scan is not available yet"));
        return qs::cli::ExitFailure;
    }
    return qs::cli::ExitFailure;
}
