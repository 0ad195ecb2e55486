#pragma once

#include <optional>

#include <QProcessEnvironment>
#include <QString>

// The systemd user units that start `quillmere-scan scan` once a day: their names, where the
// user's own units live, and their text.
namespace qs::cli::systemd {

inline constexpr char ServiceName[] = "quillmere-scan.service";
inline constexpr char TimerName[] = "quillmere-scan.timer";

// The folder the user's service manager reads the user's own units from:
// $XDG_CONFIG_HOME/systemd/user, default ~/.config/systemd/user.
QString userUnitDir();

// An hour as the timer takes it: a whole number 0 to 23, written with one or two digits.
std::optional<int> parseHour(const QString &text);

// Whether systemd starts a program at this path: it refuses an executable whose path holds a
// quote, a backslash or a control character (blanks, % and $ are fine, escaped).
bool startable(const QString &program);

// The service: one `scan` run of program (an absolute path). The settings folder and the ODBC
// files named in environment go along, so that the run reads the same settings and data sources
// as the command that set the timer up.
QString serviceUnit(const QString &program, const QProcessEnvironment &environment);
// The timer: every day at hour:00, catching up a start missed while the computer was off or
// asleep (Persistent=true).
QString timerUnit(int hour);

// What status reports from the files: the hour of a timer unit, the command of a service unit.
std::optional<int> hourOfTimer(const QString &timerText);
QString commandOfService(const QString &serviceText);

} // namespace qs::cli::systemd
