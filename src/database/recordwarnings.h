#pragma once

#include "specialcolorrecord.h"
#include "table/colourrows.h"
#include "table/numberedlines.h"
#include "table/rownotes.h"
#include "table/textencoding.h"

#include <QList>
#include <QString>

#include <future>

// Something about a record that the RIP may not read as the operator meant, though the record
// is written as it stands: its name will not match the job's, or its values are no colour.
struct RecordWarning {
    // The line of the input file that the record's row comes from.
    qint64 fileLine = 0;
    // The record's place among the records built, counting from 0.
    qsizetype record = 0;
    // The colour name as the row gives it.
    QString name;
    QString what;
};

// Checks the records that BuildSpecialColors makes of the `rows` of `table` in `form`, for a
// file written in `encoding`: characters the encoding cannot hold, names that are the same once
// written, a CSV name holding a comma or a double quote, values that are not plain decimal
// numbers, values that no surface colour has, and what the reader noted about a row (`notes`).
// Rows are read as the builder reads them; a row too short to make a record is left out. The
// warnings come in the order of the rows.
QList<RecordWarning> checkRecords(const NumberedLines &table, RecordForm form,
    TextEncoding encoding, const RowNotes &notes = {}, RowSelection rows = RowSelection::UsedRows);

// checkRecords on a thread of its own, so that the records can be built or saved meanwhile:
// the check reads the table, not the records. `table` and `notes` must outlive the result.
std::future<QList<RecordWarning>> checkRecordsAside(const NumberedLines &table, RecordForm form,
    TextEncoding encoding, const RowNotes &notes = {}, RowSelection rows = RowSelection::UsedRows);
