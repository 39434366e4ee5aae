#pragma once

#include <QDateTime>

namespace platform {

// The wall clock, replaceable in tests.
class Clock
{
public:
    virtual ~Clock();
    virtual QDateTime now() const;
};

Clock &clock();
void setClock(Clock *clock); // nullptr restores the system clock

} // namespace platform
