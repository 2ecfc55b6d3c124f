#pragma once

#include "heldreplacements.h"

#include <QString>
#include <QStringList>

// A record made, as a report of the run lists it.
struct RecordOutcome {
    // The colour name as the row gives it.
    QString name;
    // The line of the input file that the record's row comes from.
    qint64 fileLine = 0;
    // L*, a* and b* as the row gives them, and so as the record holds them.
    QStringList values;
    RecordAction action = RecordAction::Added;
    // With D50 values from a CxF3 file: where the values come from (see MeasuredRow).
    QString source;
};

// Takes what became of each record as the records are made, in their order, so that nothing
// need keep them all.
class RecordOutcomes {
public:
    virtual ~RecordOutcomes() = default;
    virtual void add(const RecordOutcome &outcome) = 0;
    // The records are made again from the first.
    virtual void restart() = 0;
};
