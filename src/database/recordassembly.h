#pragma once

#include "base/textencoding.h"
#include "database/databasewriter.h"
#include "database/recordloop.h"
#include "database/recordwarnings.h"
#include "database/specialcolorrecord.h"
#include "table/colourrows.h"
#include "table/numberedlines.h"
#include "table/rownotes.h"

// The records of a conversion made a colour row at a time, as the record loop hands the rows
// on: each record is encoded for the file at once and checked, so that neither the row nor its
// record need be kept.
class RecordAssembly {
public:
    RecordAssembly(RecordForm form, TextEncoding encoding);

    // Adds the record of a colour row, checked with its note. Throws ListIndexError naming the
    // row when it has fewer than four fields; nothing of it is added then.
    void addRow(const ColourRow &row);
    // See RecordChecker::noteRecord.
    void noteRecord(qsizetype record, const QString &note) { m_checker.noteRecord(record, note); }
    // Adds the records of a whole table's colour rows, as `selection` takes them, with the
    // reader's `notes`, to an assembly that holds none yet; throws as addRow does.
    void addTable(const NumberedLines &table, RowSelection selection, const RowNotes &notes = {});

    TextEncoding encoding() const { return m_encoding; }
    qsizetype records() const { return m_records; }
    // Once, when every row is added.
    EncodedLines takeRecords() { return m_encoder.take(); }
    QList<RecordWarning> takeWarnings();

private:
    void addRecord(const ColourRow &row);

    RecordForm m_form;
    TextEncoding m_encoding;
    LineEncoder m_encoder;
    RecordChecker m_checker;
    QList<RecordWarning> m_checkedAside;
    qsizetype m_records = 0;
};
