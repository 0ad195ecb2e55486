#pragma once

#include <QDateTime>

namespace qs::app {

// Where the scheduler and the run take the time from; tests set it instead of waiting.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// The system's time, optionally shifted by a fixed offset: setting QUILLMERE_SCAN_CLOCK to a
// moment ("2026-12-06T11:59:20") starts the program's clock there, which lets an operator watch
// the daily start happen without waiting for the hour or changing the machine's time.
class SystemClock final : public Clock
{
public:
    SystemClock() = default;
    explicit SystemClock(qint64 offsetMilliseconds)
        : m_offset(offsetMilliseconds)
    {}
    static SystemClock fromEnvironment()
    {
        const QDateTime start =
            QDateTime::fromString(qEnvironmentVariable("QUILLMERE_SCAN_CLOCK"), Qt::ISODate);
        return start.isValid() ? SystemClock(QDateTime::currentDateTime().msecsTo(start)) : SystemClock();
    }
    QDateTime now() const override { return QDateTime::currentDateTime().addMSecs(m_offset); }

private:
    qint64 m_offset = 0;
};

} // namespace qs::app
