#pragma once

#include "database/specialcolorrecord.h"
#include "table/colourrows.h"
#include "table/numberedlines.h"
#include "table/rownotes.h"

#include <QString>
#include <QStringList>

#include <optional>

class RecordLoop;

// A colour row as the record loop hands it on, numbered by its line of the input file.
struct ColourRow {
    qsizetype index; // in the table
    qint64 fileLine;
    const QString &line;
    const QString *note; // what the reader saw about the row's values, if anything
    const QString *nestedNote; // the colour object nested in the row's, if the reader noted it
    RecordLoop &loop;

    // The row's fields as SplitTabFields gives them; split once, when first asked for.
    const QStringList &fields() const;
    // The row's record: its first four fields, unchanged, in `form`. Throws ListIndexError
    // naming the row when it has fewer.
    QString record(RecordForm form) const;
};

// The one way a row of a colour table becomes a record, for every path: the rows of a table
// held whole, and a CxF3 file's rows as its scan hands them on. Rows are taken in the order of
// the table; each colour row that the selection takes is handed on with its note.
class RecordLoop {
public:
    // For the rows of `table`, which must outlive the loop, with the reader's `notes` and
    // `nested` (both must outlive it too).
    RecordLoop(const NumberedLines &table, RowSelection selection, const RowNotes &notes = {},
        const std::optional<NestedObjectNote> &nested = std::nullopt);
    // For rows that come one at a time: the table's header is its first line.
    explicit RecordLoop(RowSelection selection);

    // Takes row `index` of the table, `line`, from line `fileLine` of the file, and calls
    // `use(const ColourRow &)` when it is a colour row.
    template<class Use> void take(qsizetype index, const QString &line, qint64 fileLine, Use &&use)
    {
        if (!m_colourRows.contains(index, line))
            return;
        m_split = false;
        use(ColourRow { index, fileLine, line, noteOf(index),
            m_nested && m_nested->row == index ? &m_nested->text : nullptr, *this });
    }

    // Takes every row of the table given at construction.
    template<class Use> void takeTable(Use &&use)
    {
        for (qsizetype i = 1; i < m_table->size(); ++i)
            take(i, m_table->lines.at(i), m_table->fileLines.at(i), use);
    }

private:
    friend struct ColourRow;

    const QString *noteOf(qsizetype index) const;
    const QStringList &fieldsOf(const QString &line);

    const NumberedLines *m_table = nullptr;
    const RowNotes *m_notes = nullptr;
    const NestedObjectNote *m_nested = nullptr;
    const ColourRows m_colourRows;
    QStringList m_fields;
    bool m_split = false; // m_fields hold the row being taken
};
