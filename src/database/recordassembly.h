#pragma once

#include "base/textencoding.h"
#include "database/databasewriter.h"
#include "database/recordwarnings.h"
#include "database/specialcolorrecord.h"
#include "table/colourrows.h"
#include "table/numberedlines.h"
#include "table/rownotes.h"

#include <QStringList>

// The records of a conversion made a colour row at a time: each record is built as
// BuildSpecialColors builds it, encoded for the file at once and checked as checkRecords checks
// it, so that neither the row nor its record need be kept.
class RecordAssembly {
public:
    RecordAssembly(RecordForm form, TextEncoding encoding);

    // Adds the record of the colour row `line`, the row `row` of the table and the line
    // `fileLine` of its file; `note` is what the reader saw about it. Throws ListIndexError
    // naming the row when it has fewer than four fields; nothing of it is added then.
    void addRow(const QString &line, qsizetype row, qint64 fileLine, const QString *note = nullptr);
    // See RecordChecker::noteRecord.
    void noteRecord(qsizetype record, const QString &note) { m_checker.noteRecord(record, note); }
    // Adds the records of a whole table's colour rows, as `selection` takes them, with the
    // reader's `notes`, to an assembly that holds none yet; throws as addRow does.
    void addTable(const NumberedLines &table, RowSelection selection, const RowNotes &notes = {});

    qsizetype records() const { return m_records; }
    // Once, when every row is added.
    EncodedLines takeRecords() { return m_encoder.take(); }
    QList<RecordWarning> takeWarnings();

private:
    // Builds and encodes the record; leaves the row's fields in m_fields.
    void addRecord(const QString &line, qsizetype row, qint64 fileLine);

    RecordForm m_form;
    TextEncoding m_encoding;
    LineEncoder m_encoder;
    RecordChecker m_checker;
    QList<RecordWarning> m_checkedAside;
    QStringList m_fields;
    qsizetype m_records = 0;
};
