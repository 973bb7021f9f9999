#pragma once

#include "Clock.h"

// A clock that reads whatever the test sets.
class FixedClock : public Clock
{
public:
    explicit FixedClock(QDateTime now = QDateTime(QDate(2026, 3, 5), QTime(8, 40)))
        : m_now(std::move(now))
    {}

    QDateTime now() const override { return m_now; }
    void set(QDateTime now) { m_now = std::move(now); }

private:
    QDateTime m_now;
};
