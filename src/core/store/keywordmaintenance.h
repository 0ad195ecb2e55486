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

// The operator's commands on the keyword list (table keyword) and on the hits that scanning has
// recorded (table kw).
//
// Each command re-reads the data-source name first, so a name saved a moment ago applies.
class KeywordMaintenance : public QObject
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

    // The keyword grid (column KEYWORDS).
    TableGrid &grid() { return m_grid; }

private:
    app::RunState &m_state;
    const app::SettingsStore &m_settings;
    DataSource &m_dataSource;
    app::OperatorPrompts &m_prompts;
    TableGrid m_grid;
};

} // namespace qs::store
