#include "recordsinadvance.h"

#include "database/listindexerror.h"
#include "database/recordloop.h"

RecordsInAdvance::RecordsInAdvance(RecordForm form)
    : m_form(form)
{
}

void RecordsInAdvance::consume(ScannedRows &rows)
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
