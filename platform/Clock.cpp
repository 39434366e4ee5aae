#include "platform/Clock.h"

#include <QElapsedTimer>

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

qint64 Clock::steadyMs() const
{
    static const QElapsedTimer started = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return started.elapsed();
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
