#include "cli/commandline.h"

namespace qs::cli {

Command parseCommandLine(const QStringList &arguments)
{
    Command command;
    if (arguments.size() <= 1)
        return command;
    const QString &word = arguments.at(1);
    command.arguments = arguments.mid(2);
    if (word == QLatin1String("--help") || word == QLatin1String("-h") || word == QLatin1String("help")) {
        command.kind = Command::Kind::Help;
    } else if (word == QLatin1String("--version")) {
        command.kind = Command::Kind::Version;
    } else if (word == QLatin1String("config")) {
        command.kind = Command::Kind::Config;
        if (command.arguments.isEmpty() || command.arguments.size() > 2) {
            command.kind = Command::Kind::Usage;
            command.error = QStringLiteral("config takes KEY or KEY VALUE");
        }
    } else if (word == QLatin1String("scan")) {
        command.kind = Command::Kind::Scan;
        if (!command.arguments.isEmpty() && command.arguments != QStringList{QStringLiteral("--no-mail")}) {
            command.kind = Command::Kind::Usage;
            command.error = QStringLiteral("scan takes no arguments but --no-mail");
        }
    } else {
        command.kind = Command::Kind::Usage;
        command.error = QStringLiteral("unknown command: ") + word;
    }
    return command;
}

QString usageText()
{
    return QStringLiteral(
        "Usage: quillmere-scan [COMMAND]\n"
        "Watches web pages for keywords and reports what is new or has changed.\n"
        "\n"
        "With no command the window opens.\n"
        "\n"
        "Commands:\n"
        "  scan [--no-mail]    one scan run over the URLs not yet scanned today, without a window;\n"
        "                      the report goes to standard output, the error pane to standard error,\n"
        "                      and the report is mailed as the window would (not with --no-mail)\n"
        "  config KEY          print the stored value of KEY (an empty line when none is stored)\n"
        "  config KEY VALUE    store VALUE for KEY exactly as given\n"
        "  --help              show this help\n"
        "  --version           show the version\n"
        "\n"
        "Keys: DSN, Mailserver, Sender, Mailto, Subject, Parallel (1 to 64), PerHost (1 to 8),\n"
        "DatabaseTimeout (seconds)\n"
        "\n"
        "Exit status: 0 done, 2 wrong usage or value, 3 the result mail failed,\n"
        "4 the data source could not be opened.\n");
}

} // namespace qs::cli
