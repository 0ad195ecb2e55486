#include "cli/commandline.h"

namespace qs::cli {

Command parseCommandLine(const QStringList &arguments)
{
    Command command;
    if (arguments.size() <= 1)
        return command;
    const QString &word = arguments.at(1);
    command.word = word;
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
    } else if (word == QLatin1String("urls") || word == QLatin1String("keywords") ||
               word == QLatin1String("reset-date") || word == QLatin1String("reset-keywords")) {
        command.kind = Command::Kind::Lists;
    } else if (word == QLatin1String("check")) {
        command.kind = Command::Kind::Check;
    } else if (word == QLatin1String("timer")) {
        command.kind = Command::Kind::Timer;
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
        "  scan [--no-mail]         one scan run over the URLs not yet scanned today, without a window;\n"
        "                           the report goes to standard output, the error pane to standard\n"
        "                           error, and the report is mailed as the window would (not with\n"
        "                           --no-mail)\n"
        "  check URL [--json]       what a run would make of one URL, without writing anything\n"
        "  urls list                the URLs, tab-separated: ID, URL, SENSITIVITY, DATE, COUNT and the\n"
        "                           last check, its outcome and the runs in a row that failed\n"
        "  urls add URL [--sensitivity N]\n"
        "  urls remove ID\n"
        "  urls import FILE         CSV with the header url,sensitivity ('-': standard input)\n"
        "  urls export [FILE]       the same CSV (standard output without FILE)\n"
        "  keywords list | add WORD | remove WORD | import FILE | export [FILE]\n"
        "                           the keywords; CSV with the header keyword\n"
        "  reset-date [ID...]       make every URL (or the ones named) due again today\n"
        "  reset-keywords --yes     forget every recorded hit: the next runs report every keyword as new\n"
        "  timer enable --hour H    run 'scan' every day at hour H (0 to 23) through a systemd user\n"
        "                           timer; a start missed while the computer was off or asleep runs\n"
        "                           when it is on again\n"
        "  timer disable            switch that timer off and remove its files\n"
        "  timer status             show the timer's hour, next and last start\n"
        "  config KEY               print the stored value of KEY (an empty line when none is stored)\n"
        "  config KEY VALUE         store VALUE for KEY exactly as given\n"
        "  --help                   show this help\n"
        "  --version                show the version\n"
        "\n"
        "Keys: DSN, Mailserver, Sender, Mailto, Subject, Parallel (1 to 64), PerHost (1 to 8),\n"
        "DatabaseTimeout (seconds)\n"
        "\n"
        "Exit status: 0 done, 1 failed, 2 wrong usage or input (nothing changed), 3 the result\n"
        "mail failed, 4 the data source could not be opened or read, 5 the database stopped\n"
        "answering, 130 and 143 stopped by SIGINT and SIGTERM.\n");
}

} // namespace qs::cli
