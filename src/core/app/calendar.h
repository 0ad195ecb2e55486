#pragma once

#include <QDate>

namespace qs::app {

class Clock;
class RunFields;

// The day a run stamps into the URLs it takes. It is read from the clock when the program starts
// and at every tick of the daily scheduler, and shown in lblDato; a run uses the day shown, so
// the date the operator sees is the date written.
class Calendar
{
public:
    Calendar(const Clock &clock, RunFields &fields);

    // Reads the clock and shows the day.
    void refresh();
    QDate today() const { return m_today; }

    // The form of a day in lblDato and in the listen table: yyyy-MM-dd.
    static QString dayText(const QDate &day);

private:
    const Clock &m_clock;
    RunFields &m_fields;
    QDate m_today;
};

} // namespace qs::app
