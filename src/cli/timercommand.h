#pragma once

#include <QStringList>

namespace qs::cli {

// `timer enable --hour H | disable | status` (arguments after the word `timer`): a systemd user
// timer that runs `quillmere-scan scan` every day at hour H and catches up a start missed while
// the computer was off or asleep. Where no user service manager answers, enable writes the units
// and prints how to switch them on. QUILLMERE_SCAN_NO_SYSTEMD=1 makes it act as if none answers
// (for tests). Call it with a QCoreApplication in place: the service names this very program.
// Returns ExitOk, ExitFailure (a file could not be written or removed, or systemctl refused) or
// ExitUsage (wrong arguments or an hour other than 0 to 23).
int runTimerCommand(const QStringList &arguments);

} // namespace qs::cli
