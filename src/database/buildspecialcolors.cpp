#include "buildspecialcolors.h"

#include "base/loopobserver.h"
#include "base/progressschedule.h"
#include "database/recordloop.h"

NumberedLines BuildSpecialColors(const NumberedLines &table, RecordForm form,
    LoopObserver &observer, RowSelection rows, const QStringList *madeBeforehand)
{
    const qsizetype recordsMade = madeBeforehand ? madeBeforehand->size() : 0;
    RecordLoop loop(table, rows);
    const int lineCount = static_cast<int>(table.size());
    ProgressSchedule schedule(lineCount);
    NumberedLines records;
    // Most lines of a table are colour rows; sized once, the list is never copied to grow.
    records.reserve(lineCount);
    for (int i = 1; i < lineCount; ++i) {
        loop.take(i, table.lines.at(i), table.fileLines.at(i), [&](const ColourRow &row) {
            const QString record = records.size() < recordsMade ? madeBeforehand->at(records.size())
                                                                : row.record(form);
            observer.appendRow(record, row.fileLine);
            records.append(record, row.fileLine);
        });
        if (schedule.isDue(i)) {
            observer.setProgressWidth(ProgressSchedule::width(i, lineCount));
            schedule.advance();
            // Only here, about twenty times per run, so that a long table is not slowed down
            // by event processing after every row.
            observer.processPendingEvents();
        }
        observer.yieldSlice();
    }
    return records;
}
