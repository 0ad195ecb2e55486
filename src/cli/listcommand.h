#pragma once

#include <QStringList>

namespace qs::app {
class Clock;
class SettingsStore;
} // namespace qs::app

namespace qs::cli {

// `urls …`, `keywords …`, `reset-date [ID…]` and `reset-keywords --yes`: the operator's commands on
// the lists, through the same code as the window's. `command` is the first word, `arguments` the
// rest. Returns the exit status.
int runListCommand(app::SettingsStore &settings, const app::Clock &clock, const QString &command,
                   const QStringList &arguments);

} // namespace qs::cli
