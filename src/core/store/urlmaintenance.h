#pragma once

#include <QObject>

#include "tablegrid.h"

namespace qs::app {
class OperatorPrompts;
class RunState;
class SettingsStore;
} // namespace qs::app

namespace qs::store {

class DataSource;

// The operator's commands on the URL list (table listen): show it for editing, add one URL,
// and date every URL back so that the next run scans them all again.
//
// Each command re-reads the data-source name first, so a name saved a moment ago applies.
class UrlMaintenance : public QObject
{
    Q_OBJECT
public:
    UrlMaintenance(app::RunState &state, const app::SettingsStore &settings, DataSource &dataSource,
                   app::OperatorPrompts &prompts, QObject *parent = nullptr);

    // "Load URL to edit": the URLs and their sensitivities in the grid.
    void cmdURLClick();
    // "Add URL": asks for one URL and adds it as a new row, exactly as typed.
    void cmdAddClick();
    // "Reset date": writes the date of txtreset into every row.
    void cmdResetClick();

    // The URL grid (columns URL and SCENS).
    TableGrid &grid() { return m_grid; }

private:
    app::RunState &m_state;
    const app::SettingsStore &m_settings;
    DataSource &m_dataSource;
    app::OperatorPrompts &m_prompts;
    TableGrid m_grid;
};

} // namespace qs::store
