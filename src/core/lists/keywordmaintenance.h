#pragma once

#include "core/lists/listcommands.h"

namespace qs::store {

// The operator's commands on the keyword list (table keyword) and on the hits that scanning has
// recorded (table kw).
class KeywordMaintenance : public ListCommands
{
    Q_OBJECT
public:
    KeywordMaintenance(app::RunState &state, const app::SettingsStore &settings, DataSource &dataSource,
                       app::OperatorPrompts &prompts, QObject *parent = nullptr);

    // "Load Keywords": the keyword list in the grid.
    void cmdKWordClick();
    // "Reset keywords": after the operator's OK, deletes every recorded hit, so that the next
    // runs report every keyword as new.
    void cmdWordClick();
};

} // namespace qs::store
