#include "scannedrecords.h"

#include "database/recordassembly.h"

#include <QHash>

#include <vector>

ScannedRecords::ScannedRecords(RecordAssembly &assembly, RowSelection selection)
    : m_assembly(assembly)
    , m_selection(selection)
{
}

namespace {

// Records in a row whose values come with the same measuring conditions; a file mostly has
// one run, or few.
struct ConditionsRun {
    QString conditionsId;
    qsizetype first;
    qsizetype end;
};

} // namespace

void ScannedRecords::consume(ScannedRows &rows)
{
    const ColourRows colourRows(m_selection);
    // The file's measuring conditions are known once the scan is over, so a note waits until
    // then; meanwhile the records are kept as runs by the conditions their values come with.
    std::vector<ConditionsRun> runs;
    const qsizetype rowCount
        = rows.forEachRow([&](const ColourObjects::Row &scanned, qsizetype row) {
              if (m_failure || !colourRows.contains(row, scanned.text))
                  return;
              try {
                  const qsizetype record = m_assembly.records();
                  m_assembly.addRow(scanned.text, row, scanned.line);
                  if (scanned.conditionsId.isEmpty())
                      return;
                  if (!runs.empty() && runs.back().end == record
                      && runs.back().conditionsId == scanned.conditionsId)
                      ++runs.back().end;
                  else
                      runs.push_back({ scanned.conditionsId, record, record + 1 });
              } catch (const ListIndexError &error) {
                  m_failure = error;
              }
          });
    m_tableLines = rowCount + 1;
    const QHash<QString, QString> &otherConditions = rows.otherConditions();
    for (const ConditionsRun &run : runs) {
        const auto other = otherConditions.constFind(run.conditionsId);
        if (other == otherConditions.cend())
            continue;
        const QString note = ColourObjects::conditionsNote(run.conditionsId, *other);
        for (qsizetype record = run.first; record < run.end; ++record)
            m_assembly.noteRecord(record, note);
    }
}

void ScannedRecords::throwFailure() const
{
    if (m_failure)
        throw *m_failure;
}
