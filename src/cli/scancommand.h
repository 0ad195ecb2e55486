#pragma once

namespace qs::app {
class SettingsStore;
}
namespace qs::scan {
class Clock;
}

namespace qs::cli {

// One scan run exactly as Start would make it, without a window, then the result mail.
// The report goes to standard output, the error pane to standard error. Returns the exit status.
int runScanCommand(app::SettingsStore &settings, const scan::Clock &clock);

} // namespace qs::cli
