#include "recordassembly.h"

#include "table/splittabfields.h"

RecordAssembly::RecordAssembly(RecordForm form, TextEncoding encoding)
    : m_form(form)
    , m_encoder(encoding)
    , m_checker(form, encoding)
{
}

void RecordAssembly::addRow(
    const QString &line, qsizetype row, qint64 fileLine, const QString *note)
{
    m_fields.clear();
    SplitTabFields(line, m_fields);
    m_encoder.append(specialColorRecordOfRow(m_fields, m_form, row, fileLine));
    m_checker.checkRow(line, fileLine, m_fields, note);
    ++m_records;
}

void assembleRecords(RecordAssembly &assembly, const NumberedLines &table, RowSelection selection,
    const RowNotes &notes)
{
    const ColourRows colourRows(table.lines, selection);
    for (qsizetype i = 1; i < table.size(); ++i) {
        if (!colourRows.contains(i))
            continue;
        const auto note = notes.constFind(i);
        assembly.addRow(table.lines.at(i), i, table.fileLines.at(i),
            note == notes.cend() ? nullptr : &note.value());
    }
}
