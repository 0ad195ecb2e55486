#pragma once

#include <chrono>

#include <QDateTime>
#include <QObject>
#include <QTimer>

namespace qs::app {
class RunState;
}

namespace qs::scan {

class Clock;
class ScanRun;

// Starts a scan run by itself once a day, in the first minute of the chosen hour, and keeps the
// date label current.
//
// The hour is compared as text with the current hour written without a leading zero, so "07",
// " 7" or "24" never start a run. The flag lblBDone ("ikke"/"har") keeps a second tick in the
// same minute from starting a second run while the first is under way; every run sets it back
// to "ikke" when it ends, and a start minute never starts two runs.
class DailyScheduler : public QObject
{
    Q_OBJECT
public:
    DailyScheduler(app::RunState &state, ScanRun &run, const Clock &clock,
                   std::chrono::milliseconds interval = std::chrono::seconds(36), QObject *parent = nullptr);

    // One tick of Timer1.
    void timer1Timer();
    // The "Set start time to" button with the hour picker's text, typed or picked.
    void cmdTimeClick(const QString &hourText);

    const QTimer &timer() const { return m_timer1; }

private:
    app::RunState &m_state;
    ScanRun &m_run;
    const Clock &m_clock;
    QTimer m_timer1;
    QDateTime m_lastStartMinute;
};

} // namespace qs::scan
