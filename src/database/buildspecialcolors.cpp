#include "buildspecialcolors.h"

#include "table/colourtable.h"
#include "table/loopobserver.h"
#include "table/progressschedule.h"
#include "table/splittabfields.h"

void BuildSpecialColors(const QStringList &tableLines, RecordForm form, LoopObserver &observer)
{
    const int lineCount = static_cast<int>(tableLines.size());
    ProgressSchedule schedule(lineCount);
    QStringList fields;
    for (int i = 1; i < lineCount; ++i) {
        const QString &line = tableLines.at(i);
        if (ColourTable::isUsedRow(line)) {
            SplitTabFields(line, fields);
            observer.appendRow(specialColorRecord(fields, form));
            fields.clear();
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
}
