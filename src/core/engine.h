#pragma once

#include <chrono>
#include <memory>

#include <QObject>

#include "core/app/operatorprompts.h"
#include "core/app/runstate.h"
#include "core/store/datasource.h"

namespace qs::app {
class SettingsStore;
}
namespace qs::notify {
class ResultMail;
}

namespace qs::scan {

class Clock;
class DailyScheduler;
class PageFetcher;
class ScanRun;

// The core of the program, put together once: the run state, the data source with its open
// connections, the page fetcher, the scan run, the result mail and the daily scheduler. The
// window, the command line and the tests each build one and talk to its parts.
class Engine : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        std::chrono::milliseconds requestTimeout{30'000};
        std::chrono::milliseconds mailTimeLimit{60'000};
        std::chrono::milliseconds tickInterval{36'000};
        bool withScheduler = true;
    };

    Engine(app::SettingsStore &settings, app::OperatorPrompts &prompts, const Clock &clock);
    Engine(app::SettingsStore &settings, app::OperatorPrompts &prompts, const Clock &clock,
           const Options &options);
    ~Engine() override;

    // What the window does when it opens: the data-source name and today's date.
    void load();
    // Messages and questions from now on go to prompts (the window's dialogs once it exists).
    void setPrompts(app::OperatorPrompts &prompts) { m_prompts.setTarget(prompts); }

    app::RunState &state() { return m_state; }
    app::SettingsStore &settings() { return m_settings; }
    app::OperatorPrompts &prompts() { return m_prompts; }
    store::DataSource &dataSource() { return m_dataSource; }
    PageFetcher &fetcher() { return *m_fetcher; }
    ScanRun &run() { return *m_run; }
    notify::ResultMail &mail() { return *m_mail; }
    // Null when built without the scheduler (the command line's single run).
    DailyScheduler *scheduler() { return m_scheduler.get(); }

private:
    app::SettingsStore &m_settings;
    app::PromptsRelay m_prompts;
    const Clock &m_clock;
    app::RunState m_state;
    store::DataSource m_dataSource;
    std::unique_ptr<PageFetcher> m_fetcher;
    std::unique_ptr<notify::ResultMail> m_mail;
    std::unique_ptr<ScanRun> m_run;
    std::unique_ptr<DailyScheduler> m_scheduler;
};

} // namespace qs::scan
