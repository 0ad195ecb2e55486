#include "datasourcename.h"

#include "runstate.h"
#include "settingsstore.h"

namespace qs::app {

QString refreshDataSourceName(RunState &state, const SettingsStore &settings)
{
    state.setDsn(settings.read(keys::Dsn, state.strDSN()));
    return state.strDSN();
}

} // namespace qs::app
