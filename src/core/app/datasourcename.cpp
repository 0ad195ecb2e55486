#include "core/app/datasourcename.h"

#include "core/app/runfields.h"
#include "core/app/settingsstore.h"

namespace qs::app {

DataSourceName::DataSourceName(const SettingsStore &settings, RunFields &fields)
    : m_settings(settings)
    , m_fields(fields)
{}

QString DataSourceName::refresh()
{
    m_name = m_settings.read(keys::Dsn, m_name);
    m_fields.setText(Field::txtDB, m_name);
    return m_name;
}

} // namespace qs::app
