#include "viewloopobserver.h"

#include "keepalive.h"
#include "progressindicator.h"
#include "viewlines.h"

#include <QPlainTextEdit>

ViewLoopObserver::ViewLoopObserver(
    QPlainTextEdit *view, ProgressIndicator *progress, QWidget *covered)
    : m_end(view->document())
    , m_viewWasEmpty(view->document()->isEmpty())
    , m_progress(progress)
    , m_covered(covered)
{
    m_end.movePosition(QTextCursor::End);
    m_end.beginEditBlock();
}

ViewLoopObserver::~ViewLoopObserver()
{
    m_end.endEditBlock();
}

void ViewLoopObserver::appendRow(const QString &row, qint64)
{
    // The first row of an empty view goes into its one empty block.
    if (m_viewWasEmpty)
        m_viewWasEmpty = false;
    else
        m_end.insertBlock();
    m_end.insertText(ViewLines::shown(row));
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
    KeepAlive::processPendingEvents();
}

void ViewLoopObserver::yieldSlice()
{
    KeepAlive::zeroSleep();
}
