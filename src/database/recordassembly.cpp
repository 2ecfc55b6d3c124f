#include "recordassembly.h"

#include "table/cxf3/conditionnotes.h"
#include "table/cxf3/measuredvalues.h"

#include <future>
#include <utility>

RecordAssembly::RecordAssembly(RecordForm form, TextEncoding encoding, RowSelection selection,
    const HeldRecords *held, bool replaceHeld, RecordOutcomes *outcomes, Cxf3Values values)
    : m_form(form)
    , m_encoding(encoding)
    , m_selection(selection)
    , m_held(held)
    , m_encoder(encoding)
    , m_outcomes(outcomes)
    , m_values(values)
    , m_checker(form, encoding, RecordChecker::Rows::LetGo, 0, held)
{
    if (held && replaceHeld)
        m_replacements.emplace(*held, encoding);
}

void RecordAssembly::consume(ScannedRows &rows)
{
    RecordLoop loop(m_selection);
    ConditionNotes conditionNotes;
    const qsizetype rowCount
        = rows.forEachRow([&](const ColourObjects::Row &scanned, qsizetype row) {
              if (m_failure)
                  return;
              loop.take(row, scanned.text, scanned.line, [&](const ColourRow &colourRow) {
                  try {
                      const qsizetype record = m_records;
                      addRecord(colourRow, scanned.source);
                      m_checker.checkRow(colourRow);
                      conditionNotes.add(record, scanned.conditionsId);
                      if (!scanned.note.isEmpty())
                          m_checker.noteRecord(record, scanned.note, WarningKind::Spectrum);
                      if (!scanned.nestedNote.isEmpty())
                          m_checker.noteRecord(record, scanned.nestedNote, WarningKind::Nested);
                  } catch (const ListIndexError &error) {
                      m_failure = error;
                  }
              });
          });
    m_tableLines = rowCount + 1;
    conditionNotes.forEachNote(rows.otherConditions(),
        [this](qsizetype record, const QString &note) { m_checker.noteRecord(record, note); });
}

void RecordAssembly::restart()
{
    m_encoder = LineEncoder(m_encoding);
    if (m_replacements)
        m_replacements.emplace(*m_held, m_encoding);
    if (m_outcomes)
        m_outcomes->restart();
    m_checker = RecordChecker(m_form, m_encoding, RecordChecker::Rows::LetGo, 0, m_held);
    m_records = 0;
    m_tableLines = 0;
    m_failure.reset();
}

void RecordAssembly::throwFailure() const
{
    if (m_failure)
        throw *m_failure;
}

void RecordAssembly::addTable(const NumberedLines &table, const RowNotes &notes)
{
    Q_ASSERT(m_records == 0);
    // The table is held whole, so its rows are checked on a second core meanwhile.
    std::future<QList<RecordWarning>> warnings
        = checkRecordsAside(table, m_form, m_encoding, notes, m_selection, m_held);
    // A text table gives Lab values alone, which D50 values take as they are.
    const QString source = m_values == Cxf3Values::D50 ? valuesAsGiven() : QString();
    RecordLoop(table, m_selection).takeTable([&](const ColourRow &row) { addRecord(row, source); });
    m_checkedAside = warnings.get();
}

QList<RecordWarning> RecordAssembly::takeWarnings()
{
    QList<RecordWarning> warnings = m_checker.takeWarnings();
    warnings += std::exchange(m_checkedAside, {});
    return warnings;
}

void RecordAssembly::addRecord(const ColourRow &row, const QString &source)
{
    QString record = row.record(m_form);
    ++m_records;
    const QStringList &fields = row.fields();
    const RecordAction action = m_replacements
        ? m_replacements->offer(asWritten(fields.at(0), m_encoding), record)
        : RecordAction::Added;
    if (m_outcomes)
        m_outcomes->add({ fields.at(0), row.fileLine, { fields.at(1), fields.at(2), fields.at(3) },
            action, source });
    if (action == RecordAction::Added)
        m_encoder.append(record);
}
