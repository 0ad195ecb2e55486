#include "core/scan/dailyscheduler.h"

#include "core/app/runstate.h"
#include "core/app/startup.h"
#include "core/scan/clock.h"
#include "core/scan/scanrun.h"

namespace qs::scan {

using app::Field;

DailyScheduler::DailyScheduler(app::RunState &state, ScanRun &run, const Clock &clock,
                               std::chrono::milliseconds interval, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_run(run)
    , m_clock(clock)
{
    m_timer1.setObjectName(QStringLiteral("Timer1"));
    m_timer1.setInterval(interval);
    connect(&m_timer1, &QTimer::timeout, this, &DailyScheduler::timer1Timer);
    m_timer1.start();
}

void DailyScheduler::timer1Timer()
{
    const QDateTime now = m_clock.now();
    m_state.setText(Field::lblDato, app::dateText(now.date()));
    const bool startMinute = QString::number(now.time().hour()) == m_state.text(Field::txtKL) &&
                             now.time().minute() == 0 &&
                             m_state.text(Field::lblBDone) == QLatin1String("ikke");
    // A run started by hand is left alone: its report and errors stay, and it goes on. A short
    // daily run may end before its minute does; a second start in that minute would only wipe
    // the report and errors it has just produced.
    const QDateTime minute(now.date(), QTime(now.time().hour(), 0));
    if (!startMinute || m_run.isRunning() || minute == m_lastStartMinute)
        return;
    m_lastStartMinute = minute;
    m_state.clear(Field::txtResultat);
    m_state.clear(Field::txtEtrap);
    m_state.setText(Field::lblBDone, QStringLiteral("har"));
    m_run.start();
}

void DailyScheduler::cmdTimeClick(const QString &hourText)
{
    const bool changed = m_state.text(Field::txtKL) != hourText;
    if (changed)
        m_state.setText(Field::txtKL, hourText);
    m_state.setText(Field::lblRun, QStringLiteral("Timer set to: ") + m_state.text(Field::txtKL));
    if (changed)
        timer1Timer();
}

} // namespace qs::scan
