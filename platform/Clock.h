#pragma once

#include <QDateTime>

namespace platform {

// The wall clock, and a steady one for measuring spans, both replaceable in tests.
class Clock
{
public:
    virtual ~Clock();
    virtual QDateTime now() const;
    // Milliseconds from a fixed moment; never jumps when the wall clock is set.
    virtual qint64 steadyMs() const;
};

Clock &clock();
void setClock(Clock *clock); // nullptr restores the system clock

} // namespace platform
