#include "core/app/calendar.h"

#include "core/app/clock.h"
#include "core/app/runfields.h"

namespace qs::app {

Calendar::Calendar(const Clock &clock, RunFields &fields)
    : m_clock(clock)
    , m_fields(fields)
{}

void Calendar::refresh()
{
    m_today = m_clock.now().date();
    m_fields.setText(Field::lblDato, dayText(m_today));
}

QString Calendar::dayText(const QDate &day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace qs::app
