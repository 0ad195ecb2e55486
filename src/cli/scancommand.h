#pragma once

namespace qs::app {
class Clock;
class SettingsStore;
} // namespace qs::app

namespace qs::cli {

struct ScanOptions
{
    bool mail = true;
};

// One scan run exactly as Start would make it, without a window, then the result mail.
// The report goes to standard output, the error pane to standard error. Returns the exit status.
int runScanCommand(app::SettingsStore &settings, const app::Clock &clock, const ScanOptions &options);

} // namespace qs::cli
