#pragma once

#include "base/textencoding.h"
#include "database/databasewriter.h"
#include "database/heldreplacements.h"
#include "database/listindexerror.h"
#include "database/recordloop.h"
#include "database/recordoutcome.h"
#include "database/recordwarnings.h"
#include "database/specialcolorrecord.h"
#include "table/colourrows.h"
#include "table/cxf3/scannedrows.h"
#include "table/numberedlines.h"
#include "table/rownotes.h"

#include <optional>
#include <utility>

// The records of a conversion made a colour row at a time, as the record loop hands the rows
// on: each record is encoded for the file at once and checked, so that neither the row nor its
// record need be kept. A CxF3 file's rows are taken while the file is scanned (see
// openColourTable); a text table's once it is held.
class RecordAssembly final : public ScannedRowsConsumer {
public:
    // `held`: the records of the database that the records are appended to, if it holds any;
    // it must outlive the assembly. With `replaceHeld`, a record of a name it holds takes the
    // place of that name's first record (see HeldReplacements) instead of being added.
    // `outcomes`, if given, takes what became of each record; it must outlive the assembly.
    // A CxF3 file's rows give `values`; with D50 values, a text table's are taken as given.
    RecordAssembly(RecordForm form, TextEncoding encoding, RowSelection selection,
        const HeldRecords *held = nullptr, bool replaceHeld = false,
        RecordOutcomes *outcomes = nullptr, Cxf3Values values = Cxf3Values::AsGiven);

    // Takes the rows of a CxF3 file that the selection takes, each with the note the reader
    // would give it. A row that makes no record ends the records (see throwFailure).
    void consume(ScannedRows &rows) override;
    Cxf3Values values() const override { return m_values; }
    void restart() override;
    // After consume: the lines of the table the reader would have made, its header and every
    // row.
    qsizetype tableLines() const { return m_tableLines; }
    // After consume: throws the ListIndexError of the first row that made no record, if one
    // did not.
    void throwFailure() const;

    // Adds the records of a whole table's colour rows with the reader's `notes`, to an assembly
    // that holds none yet. Throws ListIndexError naming the first row with fewer than four
    // fields.
    void addTable(const NumberedLines &table, const RowNotes &notes = {});

    TextEncoding encoding() const { return m_encoding; }
    qsizetype records() const { return m_records; }
    // Once, when every row is added: the records added, not those that replace held ones.
    EncodedLines takeRecords() { return m_encoder.take(); }
    // With `replaceHeld` and held records, the records that replace held ones; else null.
    const HeldReplacements *replacements() const
    {
        return m_replacements ? &*m_replacements : nullptr;
    }
    QList<RecordWarning> takeWarnings();

private:
    // `source`: where a CxF3 row's D50 values come from, if they were asked for.
    void addRecord(const ColourRow &row, const QString &source = {});

    RecordForm m_form;
    TextEncoding m_encoding;
    RowSelection m_selection;
    const HeldRecords *m_held;
    LineEncoder m_encoder;
    std::optional<HeldReplacements> m_replacements;
    RecordOutcomes *m_outcomes;
    Cxf3Values m_values;
    RecordChecker m_checker;
    QList<RecordWarning> m_checkedAside;
    qsizetype m_records = 0;
    qsizetype m_tableLines = 0;
    std::optional<ListIndexError> m_failure;
};
