#include "readcxf3file.h"

#include "base/loopobserver.h"
#include "base/progressschedule.h"
#include "table/colourtable.h"
#include "table/cxf3/colourobjects.h"
#include "table/cxf3/xmldocument.h"

#include <QString>

namespace {

// Why a row's record may mislead: its values are for another illuminant or observer, as far
// as the file says; empty when they are not.
QString conditionsNote(const ColourObjects &objects, const ColourObjects::Row &row)
{
    const auto other = objects.otherConditions.constFind(row.conditionsId);
    if (other == objects.otherConditions.cend())
        return QString();
    return ColourObjects::conditionsNote(row.conditionsId, *other);
}

} // namespace

NumberedLines ReadCxF3File(XmlDocument &document, const QString &path, LoopObserver &observer,
    RowNotes *notes, ColourObjectScan *madeScan)
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
    for (const ColourObjects::Row &row : objects.rows) {
        if (notes && !objects.otherConditions.isEmpty()) {
            const QString note = conditionsNote(objects, row);
            if (!note.isEmpty())
                notes->insert(lines.size(), note);
        }
        lines.append(row.text, row.line);
        observer.appendRow(row.text, row.line);
        if (schedule.isDue(row.childIndex)) {
            observer.setProgressWidth(ProgressSchedule::width(row.childIndex, count));
            schedule.advance();
            observer.processPendingEvents();
        }
        observer.yieldSlice();
    }
    if (objects.failure)
        throw *objects.failure;

    observer.endProgress();
    document.deactivate();
    document.setFileName(QString());
    return lines;
}
