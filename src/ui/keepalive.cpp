#include "keepalive.h"

#include <QCoreApplication>
#include <QThread>

namespace KeepAlive {

void processPendingEvents()
{
    QCoreApplication::processEvents();
}

void zeroSleep()
{
    QThread::yieldCurrentThread();
}

} // namespace KeepAlive
