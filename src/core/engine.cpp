#include "core/engine.h"

#include "core/app/startup.h"
#include "core/scan/clock.h"
#include "core/scan/dailyscheduler.h"
#include "core/notify/resultmail.h"
#include "core/scan/pagefetcher.h"
#include "core/scan/scanrun.h"

namespace qs::scan {

Engine::Engine(app::SettingsStore &settings, app::OperatorPrompts &prompts, const Clock &clock)
    : Engine(settings, prompts, clock, Options())
{}

Engine::Engine(app::SettingsStore &settings, app::OperatorPrompts &prompts, const Clock &clock,
               const Options &options)
    : m_settings(settings)
    , m_prompts(prompts)
    , m_clock(clock)
    , m_fetcher(std::make_unique<PageFetcher>())
    , m_mail(std::make_unique<notify::ResultMail>(m_state, settings, m_prompts))
    , m_run(std::make_unique<ScanRun>(m_state, settings, m_dataSource, *m_fetcher, m_prompts, clock))
{
    m_fetcher->setRequestTimeout(options.requestTimeout);
    m_mail->setTimeLimit(options.mailTimeLimit);
    // A run that ends with a report mails it, dated the day the mail starts.
    connect(m_run.get(), &ScanRun::reportReady, this,
            [this] { m_mail->sendResultMail(m_clock.now().date()); });
    if (options.withScheduler)
        m_scheduler = std::make_unique<DailyScheduler>(m_state, *m_run, clock, options.tickInterval);
}

Engine::~Engine() = default;

void Engine::load()
{
    app::loadMainForm(m_state, m_settings, m_clock.now().date());
}

} // namespace qs::scan
