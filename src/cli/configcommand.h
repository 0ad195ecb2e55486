#pragma once

#include <QStringList>

namespace qs::app {
class SettingsStore;
}

namespace qs::cli {

// `config KEY` prints the stored value; `config KEY VALUE` stores it. Returns the exit status.
int runConfigCommand(app::SettingsStore &settings, const QStringList &arguments);

} // namespace qs::cli
