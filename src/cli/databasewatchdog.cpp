#include "cli/databasewatchdog.h"

namespace qs::cli {

DatabaseWatchdog::DatabaseWatchdog(const store::StatementWatch &watch, std::chrono::milliseconds limit,
                                   std::function<void(const QString &dataSource)> giveUp)
{
    m_thread = std::thread([this, &watch, limit, giveUp = std::move(giveUp)] {
        while (!m_stop) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const auto waiting = watch.waiting();
            if (waiting && store::StatementWatch::Clock::now() - waiting->since > limit)
                giveUp(waiting->dataSource);
        }
    });
}

DatabaseWatchdog::~DatabaseWatchdog()
{
    m_stop = true;
    m_thread.join();
}

} // namespace qs::cli
