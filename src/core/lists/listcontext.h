#pragma once

namespace qs::app {
class DataSourceName;
class OperatorPrompts;
class RunFields;
} // namespace qs::app

namespace qs::store {
class DataSource;
}

namespace qs::lists {

// What the operator's commands on the lists work with: every command reads the data-source name
// afresh, so a name saved a moment ago applies, reports failures in the error pane and talks to
// the operator through the prompts (dialogs in the window, standard error on the command line).
struct ListContext
{
    app::RunFields &fields;
    app::DataSourceName &dataSourceName;
    store::DataSource &dataSource;
    app::OperatorPrompts &prompts;
};

} // namespace qs::lists
