#include "buildspecialcolors.h"

#include "base/loopobserver.h"
#include "base/progressschedule.h"

NumberedLines BuildSpecialColors(const NumberedLines &table, RecordForm form,
    LoopObserver &observer, RowSelection rows, const QStringList *madeBeforehand)
{
    const qsizetype recordsMade = madeBeforehand ? madeBeforehand->size() : 0;
    const ColourRows colourRows(table.lines, rows);
    const int lineCount = static_cast<int>(table.size());
    ProgressSchedule schedule(lineCount);
    QStringList fields;
    NumberedLines records;
    // Most lines of a table are colour rows; sized once, the list is never copied to grow.
    records.reserve(lineCount);
    for (int i = 1; i < lineCount; ++i) {
        if (colourRows.contains(i)) {
            const qint64 fileLine = table.fileLines.at(i);
            QString record;
            if (records.size() < recordsMade) {
                record = madeBeforehand->at(records.size());
            } else {
                record = specialColorRecordOfRow(table.lines.at(i), fields, form, i, fileLine);
            }
            observer.appendRow(record, fileLine);
            records.append(record, fileLine);
        }
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
