#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "core/store/statementwatch.h"

namespace qs::cli {

// Ends the program when one database statement has waited longer than a limit. A database server
// that stops answering (stopped, or cut off without a reset) leaves a statement waiting for ever,
// and neither the server's limit nor the driver's fires then; an unattended `scan` must still end.
class DatabaseWatchdog
{
public:
    // giveUp runs on the watchdog's thread, with the name of the data source; it must not return.
    DatabaseWatchdog(const store::StatementWatch &watch, std::chrono::milliseconds limit,
                     std::function<void(const QString &dataSource)> giveUp);
    ~DatabaseWatchdog();
    DatabaseWatchdog(const DatabaseWatchdog &) = delete;
    DatabaseWatchdog &operator=(const DatabaseWatchdog &) = delete;

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace qs::cli
