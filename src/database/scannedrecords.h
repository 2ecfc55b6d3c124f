#pragma once

#include "database/listindexerror.h"
#include "table/colourrows.h"
#include "table/cxf3/scannedrows.h"

#include <optional>

class RecordAssembly;

// Makes the records of a CxF3 file's rows while the file is scanned (see openColourTable), as
// a conversion of the table it opens would: the rows that `selection` takes, each with the
// note that the reader would give it. The rows are let go as soon as they are used.
class ScannedRecords final : public ScannedRowsConsumer {
public:
    ScannedRecords(RecordAssembly &assembly, RowSelection selection);

    void consume(ScannedRows &rows) override;

    // The lines of the table the reader would have made: its header and every row.
    qsizetype tableLines() const { return m_tableLines; }
    // Throws the ListIndexError of the first row that made no record, if one did not; the
    // records end before it.
    void throwFailure() const;

private:
    RecordAssembly &m_assembly;
    RowSelection m_selection;
    qsizetype m_tableLines = 0;
    std::optional<ListIndexError> m_failure;
};
