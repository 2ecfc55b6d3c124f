#pragma once

#include "table/loopobserver.h"

#include <QStringList>

#include <utility>

// Runs a loop of the core without a window: rows are kept in a list, progress and the
// keep-alive steps are dropped, since nobody watches and nothing has to stay responsive.
class RowCollector : public LoopObserver {
public:
    void appendRow(const QString &row) override;
    void beginProgress() override { }
    void setProgressWidth(int) override { }
    void endProgress() override { }
    void processPendingEvents() override { }
    void yieldSlice() override { }

    const QStringList &rows() const { return m_rows; }
    QStringList takeRows() { return std::exchange(m_rows, {}); }

private:
    QStringList m_rows;
};
