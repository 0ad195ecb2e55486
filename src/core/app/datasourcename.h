#pragma once

#include <QString>

namespace qs::app {

class RunFields;
class SettingsStore;

// The name of the ODBC data source the database commands use.
//
// Every database command reads the name afresh before it connects, so a name saved a moment ago
// in the settings (by the dialog or by `quillmere-scan config DSN`) applies to the very next
// command. A name that disappears from the settings leaves the one read last in use.
class DataSourceName
{
public:
    DataSourceName(const SettingsStore &settings, RunFields &fields);

    // Reads the name again, shows it in txtDB and returns it.
    QString refresh();
    // The name read last; empty until the first refresh().
    const QString &current() const { return m_name; }

private:
    const SettingsStore &m_settings;
    RunFields &m_fields;
    QString m_name;
};

} // namespace qs::app
