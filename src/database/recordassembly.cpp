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

void RecordAssembly::addRow(const ColourRow &row)
{
    addRecord(row);
    m_checker.checkRow(row);
}

void RecordAssembly::addTable(
    const NumberedLines &table, RowSelection selection, const RowNotes &notes)
{
    Q_ASSERT(m_records == 0);
    // The table is held whole, so its rows are checked on a second core meanwhile.
    std::future<QList<RecordWarning>> warnings
        = checkRecordsAside(table, m_form, m_encoding, notes, selection);
    RecordLoop(table, selection).takeTable([this](const ColourRow &row) { addRecord(row); });
    m_checkedAside = warnings.get();
}

QList<RecordWarning> RecordAssembly::takeWarnings()
{
    QList<RecordWarning> warnings = m_checker.takeWarnings();
    warnings += std::exchange(m_checkedAside, {});
    return warnings;
}

void RecordAssembly::addRecord(const ColourRow &row)
{
    m_encoder.append(row.record(m_form));
    ++m_records;
}
