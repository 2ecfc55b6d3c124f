#include "scannedrecords.h"

#include "database/recordassembly.h"

#include <QHash>
#include <QList>

ScannedRecords::ScannedRecords(RecordAssembly &assembly, RowSelection selection)
    : m_assembly(assembly)
    , m_selection(selection)
{
}

void ScannedRecords::consume(ScannedRows &rows)
{
    const ColourRows colourRows(m_selection);
    // The file's measuring conditions are known once the scan is over, so a note waits until
    // then; the records are listed by the conditions their values come with.
    QHash<QString, QList<qsizetype>> recordsByConditions;
    qsizetype row = 0;
    for (ScannedRows::Batch batch = rows.next(); !batch.empty(); batch = rows.next()) {
        for (const ColourObjects::Row &scanned : batch) {
            ++row;
            if (m_failure || !colourRows.contains(row, scanned.text))
                continue;
            try {
                const qsizetype record = m_assembly.records();
                m_assembly.addRow(scanned.text, row, scanned.line);
                if (!scanned.conditionsId.isEmpty())
                    recordsByConditions[scanned.conditionsId].append(record);
            } catch (const ListIndexError &error) {
                m_failure = error;
            }
        }
    }
    m_tableLines = row + 1;
    const QHash<QString, QString> &otherConditions = rows.otherConditions();
    for (auto other = otherConditions.cbegin(); other != otherConditions.cend(); ++other) {
        const QString note = ColourObjects::conditionsNote(other.key(), other.value());
        for (const qsizetype record : recordsByConditions.value(other.key()))
            m_assembly.noteRecord(record, note);
    }
}

void ScannedRecords::throwFailure() const
{
    if (m_failure)
        throw *m_failure;
}
