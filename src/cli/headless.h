#pragma once

#include "core/engine.h"

namespace qs::app {
class SettingsStore;
}

namespace qs::cli {

// What every command that runs the engine once without a window shares.

// The engine's options for such a command: no daily start, and the result mail only when asked.
Engine::Options headlessOptions(bool withMail);

// Standard error carries the command's own messages. Qt's SQL driver also reports every failed
// statement with an uncategorised warning; the command's message already says what failed.
void quietDriverWarnings();

// False, having said why on standard error, when the settings file is there but cannot be read:
// going on would run with other settings than the operator keeps.
bool settingsReadable(const app::SettingsStore &settings);

} // namespace qs::cli
