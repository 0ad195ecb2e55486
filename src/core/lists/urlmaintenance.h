#pragma once

#include "core/lists/listcommands.h"

namespace qs::store {

// The operator's commands on the URL list (table listen): show it for editing, add one URL,
// and date every URL back so that the next run scans them all again.
class UrlMaintenance : public ListCommands
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
};

} // namespace qs::store
