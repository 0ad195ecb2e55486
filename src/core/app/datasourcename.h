#pragma once

#include <QString>

namespace qs::app {

class RunState;
class SettingsStore;

// The first step of every database routine: read the data-source name afresh (the name read
// last is the default), show it in txtDB and form the connection string. Returns the name.
QString refreshDataSourceName(RunState &state, const SettingsStore &settings);

} // namespace qs::app
