#include "viewloopobserver.h"

#include "keepalive.h"
#include "progressindicator.h"
#include "rowsink.h"

ViewLoopObserver::ViewLoopObserver(RowSink &rows, ProgressIndicator *progress, QWidget *covered)
    : m_rows(rows)
    , m_progress(progress)
    , m_covered(covered)
{
}

void ViewLoopObserver::appendRow(const QString &row, qint64)
{
    m_rows.append(row);
}

void ViewLoopObserver::showProgress()
{
    m_progress->show();
}

void ViewLoopObserver::beginProgress()
{
    m_progress->hide();
    m_progress->raise();
    m_progress->setBarWidth(0);
    m_progress->show();
    m_covered->hide();
}

void ViewLoopObserver::setProgressWidth(int width)
{
    m_progress->setBarWidth(width);
}

void ViewLoopObserver::endProgress()
{
    m_progress->setBarWidth(0);
    m_progress->hide();
}

void ViewLoopObserver::processPendingEvents()
{
    m_rows.showNewRows();
    KeepAlive::processPendingEvents();
}

void ViewLoopObserver::yieldSlice()
{
    KeepAlive::zeroSleep();
}
