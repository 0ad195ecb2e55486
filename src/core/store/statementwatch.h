#pragma once

#include <chrono>
#include <mutex>
#include <optional>

#include <QString>

namespace qs::store {

// Which data source the program is waiting for, and since when. A database server that stops
// answering leaves a statement waiting for ever, and no time-out of the server or the driver
// fires then: only another thread can notice. The data source marks every call that waits for
// the server; a watchdog thread reads the mark.
class StatementWatch
{
public:
    using Clock = std::chrono::steady_clock;
    struct Waiting
    {
        QString dataSource;
        Clock::time_point since;
    };

    void begin(const QString &dataSource);
    void end();
    std::optional<Waiting> waiting() const;

    // Marks one call for the life of the guard; a null watch marks nothing.
    class Guard
    {
    public:
        Guard(StatementWatch *watch, const QString &dataSource);
        ~Guard();
        Guard(const Guard &) = delete;
        Guard &operator=(const Guard &) = delete;

    private:
        StatementWatch *m_watch;
    };

private:
    mutable std::mutex m_mutex;
    std::optional<Waiting> m_waiting;
    int m_depth = 0; // a call may make further calls (a statement opens its connection first)
};

} // namespace qs::store
