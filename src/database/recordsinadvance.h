#pragma once

#include "database/specialcolorrecord.h"
#include "table/cxf3/scannedrows.h"
#include "table/numberedlines.h"

#include <utility>

// Makes the records of a CxF3 file's used rows in one form while the file is scanned, before
// they are asked for: what BuildSpecialColors would build of them, each numbered with its
// row's file line. The rows are kept for the table as well.
class RecordsInAdvance final : public ScannedRowsConsumer {
public:
    explicit RecordsInAdvance(RecordForm form);

    void consume(ScannedRows &rows) override;
    bool tableKeepsRows() const override { return true; }

    // A used row made no record; the records end before it.
    bool failed() const { return m_failed; }
    NumberedLines takeRecords() { return std::exchange(m_records, {}); }

private:
    const RecordForm m_form;
    NumberedLines m_records;
    bool m_failed = false;
};
