#pragma once

#include <QStringList>

namespace qs::app {
class Clock;
class SettingsStore;
} // namespace qs::app

namespace qs::cli {

// `check URL [--json]`: what a run would make of one URL, without writing anything. Returns the
// exit status.
int runCheckCommand(app::SettingsStore &settings, const app::Clock &clock, const QStringList &arguments);

} // namespace qs::cli
