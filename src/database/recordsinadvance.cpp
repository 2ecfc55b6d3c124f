#include "recordsinadvance.h"

#include "database/listindexerror.h"
#include "database/recordloop.h"
#include "table/cxf3/scannedrows.h"

namespace {

// Builds the record of each used row as the scan hands the rows over, and keeps the rows for
// the table.
class RecordsOfScannedRows final : public ScannedRowsConsumer {
public:
    explicit RecordsOfScannedRows(RecordForm form)
        : m_form(form)
    {
    }

    void consume(ScannedRows &rows) override
    {
        RecordLoop loop(RowSelection::UsedRows);
        rows.forEachRow([&](const ColourObjects::Row &scanned, qsizetype row) {
            if (m_failed)
                return;
            loop.take(row, scanned.text, scanned.line, [this](const ColourRow &colourRow) {
                try {
                    m_records.append(colourRow.record(m_form), colourRow.fileLine);
                } catch (const ListIndexError &) {
                    // The conversion fails on this row by itself, in its place.
                    m_failed = true;
                }
            });
        });
    }

    bool tableKeepsRows() const override { return true; }

    bool failed() const { return m_failed; }
    NumberedLines takeRecords() { return std::exchange(m_records, {}); }

private:
    const RecordForm m_form;
    NumberedLines m_records;
    bool m_failed = false;
};

} // namespace

OpenedTableWithRecords openColourTableWithRecords(
    const QString &path, XmlDocument &document, LoopObserver &observer, RecordForm form)
{
    RecordsOfScannedRows made(form);
    OpenedTableWithRecords opened;
    opened.table = openColourTable(path, document, observer, Cxf3Recognition::RootLine, &made);
    if (opened.table.kind == TableKind::Cxf3 && !made.failed())
        opened.records = RecordsInAdvance { form, made.takeRecords() };
    return opened;
}
