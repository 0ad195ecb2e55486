#include "core/app/startup.h"

#include "core/app/datasourcename.h"
#include "core/app/runstate.h"

namespace qs::app {

void loadMainForm(RunState &state, const SettingsStore &settings, const QDate &today)
{
    refreshDataSourceName(state, settings);
    state.setText(Field::lblDato, dateText(today));
}

QString dateText(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace qs::app
