#pragma once

#include "heldreplacements.h"

#include <QStringView>

#include <array>

// A record made, as a report of the run lists it; it views the row, so it lasts only as long
// as the call it is handed to.
struct RecordOutcome {
    // The colour name as the row gives it.
    QStringView name;
    // The line of the input file that the record's row comes from.
    qint64 fileLine = 0;
    // L*, a* and b* as the row gives them, and so as the record holds them.
    std::array<QStringView, 3> values;
    RecordAction action = RecordAction::Added;
    // With D50 values from a CxF3 file: where the values come from (see MeasuredRow).
    QStringView source;
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
