#pragma once

#include <chrono>
#include <memory>

#include <QObject>

#include "core/app/calendar.h"
#include "core/app/datasourcename.h"
#include "core/app/runfields.h"
#include "core/app/runfindings.h"
#include "core/lists/listcontext.h"
#include "core/store/datasource.h"

namespace qs::app {
class Clock;
class OperatorPrompts;
class SettingsStore;
} // namespace qs::app
namespace qs::lists {
class KeywordCommands;
class UrlCommands;
} // namespace qs::lists
namespace qs::notify {
class ResultMail;
}
namespace qs::scan {
class DailyScheduler;
class PageFetcher;
class ScanRun;
} // namespace qs::scan

namespace qs {

// The core of the program, put together in one place: the fields it shows, the data source with
// its open connections, the page fetcher, the scan run, the result mail, the daily scheduler and
// the commands on the lists. The window, the command line and the tests each build one and talk
// to its parts; nothing else wires them.
class Engine : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        std::chrono::milliseconds requestTimeout{30'000};
        std::chrono::milliseconds tickInterval{36'000};
        bool withScheduler = true;
        // Off: a run's report is not mailed (`scan --no-mail`, and tests of the run alone).
        bool withMail = true;
        // Certificate authorities trusted instead of the system's (the servers of the tests).
        QString caFile;
    };

    Engine(app::SettingsStore &settings, app::OperatorPrompts &prompts, const app::Clock &clock,
           const Options &options);
    Engine(app::SettingsStore &settings, app::OperatorPrompts &prompts, const app::Clock &clock);
    ~Engine() override;

    // What the window does when it opens: the data-source name and today's date.
    void load();

    app::RunFields &fields() { return m_fields; }
    app::RunFindings &findings() { return m_findings; }
    app::SettingsStore &settings() { return m_settings; }
    app::DataSourceName &dataSourceName() { return m_dataSourceName; }
    const app::Calendar &calendar() const { return m_calendar; }
    const app::Clock &clock() const { return m_clock; }
    store::DataSource &dataSource() { return m_dataSource; }
    scan::PageFetcher &fetcher() { return *m_fetcher; }
    scan::ScanRun &run() { return *m_run; }
    // Null when built without them.
    scan::DailyScheduler *scheduler() { return m_scheduler.get(); }
    notify::ResultMail *mail() { return m_mail.get(); }
    lists::UrlCommands &urls() { return *m_urls; }
    lists::KeywordCommands &keywords() { return *m_keywords; }
    // What the list commands work with, for commands of the command line built on them.
    const lists::ListContext &listContext() const { return m_listContext; }

private:
    app::SettingsStore &m_settings;
    const app::Clock &m_clock;
    app::RunFields m_fields;
    app::RunFindings m_findings;
    app::DataSourceName m_dataSourceName;
    app::Calendar m_calendar;
    store::DataSource m_dataSource;
    lists::ListContext m_listContext;
    std::unique_ptr<scan::PageFetcher> m_fetcher;
    std::unique_ptr<notify::ResultMail> m_mail;
    std::unique_ptr<scan::ScanRun> m_run;
    std::unique_ptr<scan::DailyScheduler> m_scheduler;
    std::unique_ptr<lists::UrlCommands> m_urls;
    std::unique_ptr<lists::KeywordCommands> m_keywords;
};

} // namespace qs
