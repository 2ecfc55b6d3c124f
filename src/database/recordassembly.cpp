#include "recordassembly.h"

#include <future>
#include <utility>

RecordAssembly::RecordAssembly(RecordForm form, TextEncoding encoding)
    : m_form(form)
    , m_encoding(encoding)
    , m_encoder(encoding)
    , m_checker(form, encoding, RecordChecker::Rows::LetGo)
{
}

void RecordAssembly::addRow(
    const QString &line, qsizetype row, qint64 fileLine, const QString *note)
{
    addRecord(line, row, fileLine);
    m_checker.checkRow(line, fileLine, m_fields, note);
}

void RecordAssembly::addTable(
    const NumberedLines &table, RowSelection selection, const RowNotes &notes)
{
    Q_ASSERT(m_records == 0);
    // The table is held whole, so its rows are checked on a second core meanwhile.
    std::future<QList<RecordWarning>> warnings
        = checkRecordsAside(table, m_form, m_encoding, notes, selection);
    const ColourRows colourRows(table.lines, selection);
    for (qsizetype i = 1; i < table.size(); ++i) {
        if (colourRows.contains(i))
            addRecord(table.lines.at(i), i, table.fileLines.at(i));
    }
    m_checkedAside = warnings.get();
}

QList<RecordWarning> RecordAssembly::takeWarnings()
{
    QList<RecordWarning> warnings = m_checker.takeWarnings();
    warnings += std::exchange(m_checkedAside, {});
    return warnings;
}

void RecordAssembly::addRecord(const QString &line, qsizetype row, qint64 fileLine)
{
    m_encoder.append(specialColorRecordOfRow(line, m_fields, m_form, row, fileLine));
    ++m_records;
}
