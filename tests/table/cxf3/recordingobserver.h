#pragma once

#include "table/loopobserver.h"

#include <QList>
#include <QString>
#include <QStringList>

// Keeps every call of the reader's loop, in order, plus the rows and the progress updates
// on their own; an update remembers the row appended last before it.
class RecordingObserver : public LoopObserver {
public:
    struct Update {
        QString lastRow;
        int width;
        bool operator==(const Update &) const = default;
    };

    QStringList log;
    QStringList rows;
    QList<Update> updates;

    void appendRow(const QString &row) override
    {
        rows.append(row);
        log.append(QStringLiteral("row ") + row);
    }
    void beginProgress() override { log.append(QStringLiteral("begin")); }
    void setProgressWidth(int width) override
    {
        updates.append(Update { rows.isEmpty() ? QString() : rows.last(), width });
        log.append(QStringLiteral("width %1").arg(width));
    }
    void endProgress() override { log.append(QStringLiteral("end")); }
    void processPendingEvents() override { log.append(QStringLiteral("events")); }
    void yieldSlice() override { log.append(QStringLiteral("yield")); }
};
