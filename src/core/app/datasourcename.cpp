#include "core/app/datasourcename.h"

#include "core/app/runstate.h"
#include "core/app/settingsstore.h"

namespace qs::app {

QString refreshDataSourceName(RunState &state, const SettingsStore &settings)
{
    state.setDsn(settings.read(keys::Dsn, state.strDSN()));
    return state.strDSN();
}

} // namespace qs::app
