#include "core/scan/dailyscheduler.h"

#include "core/app/calendar.h"
#include "core/app/clock.h"
#include "core/app/runfields.h"
#include "core/scan/scanrun.h"

namespace qs::scan {

using app::Field;

DailyScheduler::DailyScheduler(app::RunFields &fields, app::Calendar &calendar, ScanRun &run,
                               const app::Clock &clock, std::chrono::milliseconds interval, QObject *parent)
    : QObject(parent)
    , m_fields(fields)
    , m_calendar(calendar)
    , m_run(run)
    , m_clock(clock)
{
    // Every run that ends lets the scheduler start the next day's.
    connect(&m_run, &ScanRun::runEnded, this, [this] { setStartedRun(false); });
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setInterval(interval);
    connect(&m_timer1, &QTimer::timeout, this, &DailyScheduler::timer1Timer);
    m_timer1.start();
}

void DailyScheduler::setStartedRun(bool started)
{
    m_startedRun = started;
    m_fields.setText(Field::lblBDone, started ? QStringLiteral("har") : QStringLiteral("ikke"));
}

void DailyScheduler::timer1Timer()
{
    m_calendar.refresh();
    const QDateTime now = m_clock.now();
    const bool startMinute =
        QString::number(now.time().hour()) == m_startHour && now.time().minute() == 0 && !m_startedRun;
    // A run started by hand is left alone: its report and errors stay, and it goes on. A short
    // daily run may end before its minute does; a second start in that minute would only wipe
    // the report and errors it has just produced.
    const QDateTime minute(now.date(), QTime(now.time().hour(), 0));
    if (!startMinute || m_run.isRunning() || minute == m_lastStartMinute)
        return;
    m_lastStartMinute = minute;
    m_fields.clear(Field::txtResultat);
    m_fields.clear(Field::txtEtrap);
    setStartedRun(true);
    m_run.start();
}

void DailyScheduler::cmdTimeClick(const QString &hourText)
{
    const bool changed = m_startHour != hourText;
    if (changed) {
        m_startHour = hourText;
        m_fields.setText(Field::txtKL, hourText);
    }
    m_fields.setText(Field::lblRun, QStringLiteral("Timer set to: ") + m_startHour);
    if (changed)
        timer1Timer();
}

} // namespace qs::scan
