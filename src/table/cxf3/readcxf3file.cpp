#include "readcxf3file.h"

#include "base/loopobserver.h"
#include "base/progressschedule.h"
#include "table/colourtable.h"
#include "table/cxf3/colourobjects.h"
#include "table/cxf3/conditionnotes.h"
#include "table/cxf3/xmldocument.h"

#include <QString>

NumberedLines ReadCxF3File(XmlDocument &document, const QString &path, LoopObserver &observer,
    RowNotes *notes, ColourObjectScan *madeScan, std::optional<NestedObjectNote> *nested)
{
    // A failed read leaves what it read behind; never let a later read work on that.
    document.deactivate();
    document.setFileName(QString());
    document.setFileName(path);
    // The whole file is read here, so that a fault in its XML fails the read before any row,
    // wherever the fault stands.
    document.activateColourObjects(madeScan);
    const ColourObjects &objects = document.colourObjects();

    observer.beginProgress();
    observer.processPendingEvents();
    observer.yieldSlice();

    const int count = objects.childCount;
    ProgressSchedule schedule(count);
    NumberedLines lines;
    lines.reserve(qsizetype(objects.rows.size()) + 1);
    lines.append(ColourTable::headerLine(), 0);
    observer.appendRow(lines.lines.last(), 0);

    // Only colour objects are listed: a child without a Name gets no row, and so no progress
    // check and no yield either; a passed-over child at an update point leaves the indicator
    // where it is.
    ConditionNotes conditionNotes;
    for (const ColourObjects::Row &row : objects.rows) {
        conditionNotes.add(lines.size(), row.conditionsId);
        if (nested && !row.nestedNote.isEmpty())
            nested->emplace(NestedObjectNote { lines.size(), row.nestedNote });
        lines.append(row.text, row.line);
        observer.appendRow(row.text, row.line);
        if (schedule.isDue(row.childIndex)) {
            observer.setProgressWidth(ProgressSchedule::width(row.childIndex, count));
            schedule.advance();
            observer.processPendingEvents();
        }
        observer.yieldSlice();
    }
    if (notes)
        conditionNotes.forEachNote(objects.otherConditions,
            [notes](qsizetype row, const QString &note) { notes->insert(row, note); });
    if (objects.failure)
        throw *objects.failure;

    observer.endProgress();
    document.deactivate();
    document.setFileName(QString());
    return lines;
}
