#pragma once

#include "base/loopobserver.h"

#include <QList>
#include <QString>
#include <QStringList>

// Keeps every call of a core loop, in order, as one line of text, plus the rows, their file
// lines and the progress updates on their own; an update remembers the row appended last
// before it.
class RecordingObserver : public LoopObserver {
public:
    struct Update {
        QString lastRow;
        int width;
        bool operator==(const Update &) const = default;
    };

    QStringList log;
    QStringList rows;
    QList<qint64> fileLines;
    QList<Update> updates;

    void appendRow(const QString &row, qint64 fileLine) override
    {
        rows.append(row);
        fileLines.append(fileLine);
        log.append(QStringLiteral("row ") + row);
    }
    void showProgress() override { log.append(QStringLiteral("show")); }
    void beginProgress() override { log.append(QStringLiteral("begin")); }
    void setProgressWidth(int width) override
    {
        updates.append(Update { rows.isEmpty() ? QString() : rows.last(), width });
        log.append(QStringLiteral("width %1").arg(width));
    }
    void endProgress() override { log.append(QStringLiteral("end")); }
    void processPendingEvents() override { log.append(QStringLiteral("events")); }
    void yieldSlice() override { log.append(QStringLiteral("yield")); }

    // Whether every update kept to the indicator's scale.
    bool widthsInRange() const
    {
        for (const Update &update : updates) {
            if (update.width < 0 || update.width > 400)
                return false;
        }
        return true;
    }
};
