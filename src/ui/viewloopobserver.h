#pragma once

#include "table/loopobserver.h"

#include <QTextCursor>

class ProgressIndicator;
class QPlainTextEdit;
class QWidget;

// Runs a loop of the core in the window: rows go to the end of a text view, progress to the
// window's indicator. Rows are inserted through one cursor kept at the end, inside one edit
// block that ends when the observer does, which is far faster than appending line by line.
class ViewLoopObserver : public LoopObserver {
public:
    // `covered` is the control the indicator lies over; it is hidden while the loop runs.
    ViewLoopObserver(QPlainTextEdit *view, ProgressIndicator *progress, QWidget *covered);
    ~ViewLoopObserver() override;

    void appendRow(const QString &row, qint64 fileLine) override;
    void showProgress() override;
    void beginProgress() override;
    void setProgressWidth(int width) override;
    void endProgress() override;
    void processPendingEvents() override;
    void yieldSlice() override;

private:
    QTextCursor m_end;
    bool m_viewWasEmpty;
    ProgressIndicator *m_progress;
    QWidget *m_covered;
};
