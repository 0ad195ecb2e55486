#pragma once

#include <chrono>

#include <QDateTime>
#include <QObject>
#include <QTimer>

namespace qs::app {
class Calendar;
class Clock;
class RunFields;
} // namespace qs::app

namespace qs::scan {

class ScanRun;

// Starts a scan run by itself once a day, in the first minute of the chosen hour, and keeps the
// day of the runs current.
//
// The hour is kept as the operator typed it and compared as text with the current hour written
// without a leading zero, so "07", " 7" or "24" never start a run. Once it has started a run,
// the scheduler starts no other until a run has ended, and a start minute never starts two runs.
class DailyScheduler : public QObject
{
    Q_OBJECT
public:
    DailyScheduler(app::RunFields &fields, app::Calendar &calendar, ScanRun &run, const app::Clock &clock,
                   std::chrono::milliseconds interval = std::chrono::seconds(36), QObject *parent = nullptr);

    // One tick of the timer.
    void timer1Timer();
    // The "Set start time to" button with the hour picker's text, typed or picked.
    void cmdTimeClick(const QString &hourText);

private:
    void setStartedRun(bool started);

    app::RunFields &m_fields;
    app::Calendar &m_calendar;
    ScanRun &m_run;
    const app::Clock &m_clock;
    QTimer m_timer1;
    QString m_startHour = QStringLiteral("12");
    bool m_startedRun = false;
    QDateTime m_lastStartMinute;
};

} // namespace qs::scan
