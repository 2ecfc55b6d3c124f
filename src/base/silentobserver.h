#pragma once

#include "base/loopobserver.h"

// Runs a loop of the core where nobody watches: the rows are only returned by the loop, and
// progress and the keep-alive steps are dropped, since nothing has to stay responsive.
class SilentObserver : public LoopObserver {
public:
    void appendRow(const QString &, qint64) override { }
    void showProgress() override { }
    void beginProgress() override { }
    void setProgressWidth(int) override { }
    void endProgress() override { }
    void processPendingEvents() override { }
    void yieldSlice() override { }
};
