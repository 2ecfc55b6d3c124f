#include "keepalive.h"

#include <QCoreApplication>
#include <QThread>

#include <chrono>

namespace {

// Giving up the processor is a system call, which on some machines costs more than a row of
// the loops that call for it. Once a millisecond still lets other programs run during a long
// loop.
constexpr auto yieldInterval = std::chrono::milliseconds(1);

} // namespace

namespace KeepAlive {

void processPendingEvents()
{
    QCoreApplication::processEvents();
}

void zeroSleep()
{
    using Clock = std::chrono::steady_clock;
    thread_local Clock::time_point lastYield;
    const Clock::time_point now = Clock::now();
    if (now - lastYield < yieldInterval)
        return;
    QThread::yieldCurrentThread();
    lastYield = now;
}

} // namespace KeepAlive
