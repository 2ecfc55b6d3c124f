#include "scannedrecords.h"

#include "database/recordassembly.h"
#include "database/recordloop.h"
#include "table/cxf3/conditionnotes.h"

ScannedRecords::ScannedRecords(RecordAssembly &assembly, RowSelection selection)
    : m_assembly(assembly)
    , m_selection(selection)
{
}

void ScannedRecords::consume(ScannedRows &rows)
{
    RecordLoop loop(m_selection);
    ConditionNotes conditionNotes;
    const qsizetype rowCount
        = rows.forEachRow([&](const ColourObjects::Row &scanned, qsizetype row) {
              if (m_failure)
                  return;
              loop.take(row, scanned.text, scanned.line, [&](const ColourRow &colourRow) {
                  try {
                      const qsizetype record = m_assembly.records();
                      m_assembly.addRow(colourRow);
                      conditionNotes.add(record, scanned.conditionsId);
                  } catch (const ListIndexError &error) {
                      m_failure = error;
                  }
              });
          });
    m_tableLines = rowCount + 1;
    conditionNotes.forEachNote(rows.otherConditions(),
        [this](qsizetype record, const QString &note) { m_assembly.noteRecord(record, note); });
}

void ScannedRecords::throwFailure() const
{
    if (m_failure)
        throw *m_failure;
}
