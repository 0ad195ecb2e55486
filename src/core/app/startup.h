#pragma once

#include <QDate>

namespace qs::app {

class RunState;
class SettingsStore;

// What the main window does when it is created: read the data-source name, show it, form the
// connection string and show today's date. The database is not opened.
void loadMainForm(RunState &state, const SettingsStore &settings, const QDate &today);

// The date as lblDato shows it and as the scan writes it into listen.DAGEN.
QString dateText(const QDate &date);

} // namespace qs::app
