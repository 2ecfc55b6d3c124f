#pragma once

#include "base/loopobserver.h"

class ProgressIndicator;
class QWidget;
class RowSink;

// Runs a loop of the core in the window: rows go to a view, progress to the window's
// indicator. The view shows the rows that came at each progress step; the rest, once the loop
// has returned, on the host's own RowSink::showNewRows().
class ViewLoopObserver : public LoopObserver {
public:
    // `covered` is the control the indicator lies over; it is hidden while the loop runs.
    ViewLoopObserver(RowSink &rows, ProgressIndicator *progress, QWidget *covered);

    void appendRow(const QString &row, qint64 fileLine) override;
    void showProgress() override;
    void beginProgress() override;
    void setProgressWidth(int width) override;
    void endProgress() override;
    void processPendingEvents() override;
    void yieldSlice() override;

private:
    RowSink &m_rows;
    ProgressIndicator *m_progress;
    QWidget *m_covered;
};
