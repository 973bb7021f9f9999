#pragma once

#include <QDateTime>

// The local clock, behind an interface so tests can set any date and hour.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock
{
public:
    QDateTime now() const override;
};
