#pragma once

#include <QStringList>

namespace qs::cli {

// What the program was asked to do on its command line.
struct Command
{
    enum class Kind
    {
        Window,
        Config,
        Scan,
        Lists, // urls, keywords, reset-date, reset-keywords
        Check,
        Timer,
        Help,
        Version,
        Usage
    };
    Kind kind = Kind::Window;
    QString word;          // the command word
    QStringList arguments; // after the command word
    QString error;         // for Usage: what was wrong
};

Command parseCommandLine(const QStringList &arguments);
QString usageText();

// Exit statuses of the command line.
inline constexpr int ExitOk = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;
inline constexpr int ExitMailFailed = 3;
inline constexpr int ExitNoDataSource = 4;
inline constexpr int ExitDatabaseNotAnswering = 5;
inline constexpr int ExitNoDisplay = 69; // EX_UNAVAILABLE: no display for the window

} // namespace qs::cli
