#pragma once

#include "core/app/clock.h"

namespace qs::test {

// A clock that stands still until the test moves it.
class FakeClock final : public app::Clock
{
public:
    explicit FakeClock(QDateTime start)
        : m_now(std::move(start))
    {}
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &moment) { m_now = moment; }
    void advance(std::chrono::seconds by) { m_now = m_now.addSecs(by.count()); }

private:
    QDateTime m_now;
};

} // namespace qs::test
