#include "core/store/statementwatch.h"

namespace qs::store {

void StatementWatch::begin(const QString &dataSource)
{
    const std::lock_guard lock(m_mutex);
    if (m_depth++ == 0)
        m_waiting = Waiting{dataSource, Clock::now()};
}

void StatementWatch::end()
{
    const std::lock_guard lock(m_mutex);
    if (--m_depth == 0)
        m_waiting.reset();
}

std::optional<StatementWatch::Waiting> StatementWatch::waiting() const
{
    const std::lock_guard lock(m_mutex);
    return m_waiting;
}

StatementWatch::Guard::Guard(StatementWatch *watch, const QString &dataSource)
    : m_watch(watch)
{
    if (m_watch != nullptr)
        m_watch->begin(dataSource);
}

StatementWatch::Guard::~Guard()
{
    if (m_watch != nullptr)
        m_watch->end();
}

} // namespace qs::store
