#include "platform/Clock.h"

namespace platform {

namespace {
Clock *&current()
{
    static Clock *c = nullptr;
    return c;
}
} // namespace

Clock::~Clock() = default;

QDateTime Clock::now() const
{
    return QDateTime::currentDateTime();
}

Clock &clock()
{
    static Clock system;
    Clock *c = current();
    return c ? *c : system;
}

void setClock(Clock *c)
{
    current() = c;
}

} // namespace platform
