#include "core/engine.h"

#include <QFile>

#include "core/app/clock.h"
#include "core/app/settingsstore.h"
#include "core/lists/keywordcommands.h"
#include "core/lists/urlcommands.h"
#include "core/notify/htmlreport.h"
#include "core/notify/resultmail.h"
#include "core/scan/dailyscheduler.h"
#include "core/scan/pagefetcher.h"
#include "core/scan/scanrun.h"

namespace qs {

Engine::Engine(app::SettingsStore &settings, app::OperatorPrompts &prompts, const app::Clock &clock)
    : Engine(settings, prompts, clock, Options())
{}

Engine::Engine(app::SettingsStore &settings, app::OperatorPrompts &prompts, const app::Clock &clock,
               const Options &options)
    : m_settings(settings)
    , m_clock(clock)
    , m_dataSourceName(settings, m_fields)
    , m_calendar(clock, m_fields)
    , m_listContext{m_fields, m_dataSourceName, m_dataSource, prompts}
    , m_fetcher(std::make_unique<scan::PageFetcher>())
{
    scan::TransferRules rules;
    rules.timeLimit = options.requestTimeout;
    rules.caFile = QFile::encodeName(options.caFile);
    m_fetcher->setRules(rules);
    m_run = std::make_unique<scan::ScanRun>(scan::ScanRun::Parts{m_fields, m_findings, settings,
                                                                 m_dataSourceName, m_calendar, clock,
                                                                 m_dataSource, *m_fetcher, prompts});
    // The findings are the report's: they go when it is cleared.
    connect(&m_fields, &app::RunFields::fieldChanged, this, [this](app::Field field) {
        if (field == app::Field::txtResultat && m_fields.text(field).isEmpty())
            m_findings.clear();
    });
    if (options.withMail) {
        m_mail = std::make_unique<notify::ResultMail>(m_fields, settings, prompts);
        // A run that ends with a report mails it, dated the day the mail starts.
        connect(m_run.get(), &scan::ScanRun::reportReady, this, [this](const QString &report) {
            m_mail->sendResultMail(report, m_clock.now().date(), notify::htmlReport(m_findings));
        });
    }
    if (options.withScheduler)
        m_scheduler =
            std::make_unique<scan::DailyScheduler>(m_fields, m_calendar, *m_run, clock, options.tickInterval);
    m_urls = std::make_unique<lists::UrlCommands>(m_listContext);
    m_keywords = std::make_unique<lists::KeywordCommands>(m_listContext);
}

Engine::~Engine()
{
    // A run still under way gives back the rows it took, while the data source is still there.
    m_run->stop();
}

void Engine::load()
{
    m_dataSourceName.refresh();
    m_calendar.refresh();
}

} // namespace qs
