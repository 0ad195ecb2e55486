#pragma once

#include <QObject>

#include "core/lists/tablegrid.h"

namespace qs::app {
class OperatorPrompts;
class RunState;
class SettingsStore;
} // namespace qs::app

namespace qs::store {

class DataSource;

// What the operator's commands on one list share: the parts they work with and the grid of the
// list's table. Each command re-reads the data-source name first, so a name saved a moment ago
// applies.
class ListCommands : public QObject
{
    Q_OBJECT
public:
    TableGrid &grid() { return m_grid; }

protected:
    ListCommands(app::RunState &state, const app::SettingsStore &settings, DataSource &dataSource,
                 app::OperatorPrompts &prompts, GridTable table, QObject *parent)
        : QObject(parent)
        , m_state(state)
        , m_settings(settings)
        , m_dataSource(dataSource)
        , m_prompts(prompts)
        , m_grid(state, settings, dataSource, prompts, std::move(table))
    {}

    app::RunState &m_state;
    const app::SettingsStore &m_settings;
    DataSource &m_dataSource;
    app::OperatorPrompts &m_prompts;
    TableGrid m_grid;
};

} // namespace qs::store
