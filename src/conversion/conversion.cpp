// A conversion's threads:
//
//   Opening (see opencolourtable.cpp): the calling thread classifies the file while a scanning
//   thread scans it as CxF3 and hands its rows over through a bounded queue; the calling thread
//   takes them. Held, it keeps them for the table and makes their records in the form expected;
//   while reading, it makes, encodes and checks each record and lets the row go.
//
//   Records of a held table: the record loop runs on the calling thread (the host sees each
//   record as it is made) while a second thread checks the same rows for the encoding the host
//   expects; warnings() waits for that check, or checks again for another encoding. A save
//   appending to a file that holds records checks again, against their names, beside the save.
//
//   A text table while reading: it is loaded first; then its records are made and encoded on
//   the calling thread while a second thread checks its rows.

#include "conversion.h"

#include "database/buildspecialcolors.h"
#include "database/databaseencoding.h"
#include "database/databasesave.h"
#include "database/listindexerror.h"
#include "database/recordassembly.h"
#include "database/recordsinadvance.h"

#include <exception>
#include <utility>

Conversion::Conversion(
    const QString &path, XmlDocument &document, LoopObserver &observer, const Options &options)
{
    if (options.records == Records::WhileReading)
        openWhileReading(path, document, observer, options);
    else
        openHeld(path, document, observer, options);
}

Conversion::~Conversion() = default;

void Conversion::openHeld(
    const QString &path, XmlDocument &document, LoopObserver &observer, const Options &options)
{
    RecordsInAdvance made(options.form);
    m_table = openColourTable(path, document, observer, options.recognition, &made);
    m_tableLines = m_table.lines.size();
    // Only when every used row made a record: a failing row fails the loop in its place.
    if (m_table.kind == TableKind::Cxf3 && !made.failed()) {
        m_recordsInAdvance = made.takeRecords();
        m_formInAdvance = options.form;
    }
}

void Conversion::openWhileReading(
    const QString &path, XmlDocument &document, LoopObserver &observer, const Options &options)
{
    if (!options.output.isEmpty())
        m_output = std::make_unique<DatabaseSave>(options.output, options.append, options.save);
    m_assembly = std::make_unique<RecordAssembly>(options.form,
        m_output ? m_output->encoding() : options.encoding, options.rows,
        m_output ? m_output->heldRecords() : nullptr, options.append && options.replace,
        options.outcomes, options.values);
    m_table = openColourTable(path, document, observer, options.recognition, m_assembly.get());
    switch (m_table.kind) {
    case TableKind::NotRecognised:
        break;
    case TableKind::Cxf3:
        m_assembly->throwFailure();
        m_tableLines = m_assembly->tableLines();
        break;
    case TableKind::TextTable:
        m_assembly->addTable(m_table.lines, m_table.rowNotes);
        m_tableLines = m_table.lines.size();
        break;
    }
}

NumberedLines Conversion::makeRecords(
    RecordForm form, const QString &expectedPath, bool append, LoopObserver &observer)
{
    Q_ASSERT(!m_assembly);
    const TextEncoding expected = databaseEncoding(expectedPath, append);
    m_form = form;
    m_checkedEncoding = expected;
    m_warnings.reset();
    // The check reads the table, not the records, so it runs beside the loop.
    m_check = checkRecordsAside(m_table.lines, form, expected, m_table.rowNotes,
        RowSelection::UsedRows, nullptr, m_table.nestedObject);
    return BuildSpecialColors(m_table.lines, form, observer, RowSelection::UsedRows,
        madeRecordsInAdvance(form) ? &m_recordsInAdvance->lines : nullptr);
}

QList<RecordWarning> Conversion::warnings(TextEncoding encoding)
{
    if (m_assembly) {
        Q_ASSERT(encoding == m_assembly->encoding());
        return m_assembly->takeWarnings();
    }
    checkFor(encoding);
    return checkedWarnings();
}

QList<RecordWarning> Conversion::checkedWarnings()
{
    if (m_check.valid())
        m_warnings = m_check.get();
    return m_warnings.value_or(QList<RecordWarning>());
}

QString Conversion::save(const QString &path, const QStringList &records, bool append,
    QList<RecordWarning> &warnings, std::chrono::milliseconds rivalWait)
{
    QStringList notes;
    DatabaseSave database(
        path, append, SaveOptions { rivalWait, [&notes](const QString &note) { notes << note; } });
    // The save goes on while the check runs, whichever the encoding. The names the file holds
    // are known only now, so a file that holds records is checked against them afresh.
    checkFor(database.encoding(), database.heldRecords());
    std::exception_ptr failure;
    try {
        notes << database.commit(records);
    } catch (...) {
        failure = std::current_exception();
    }
    // Before the file's records go: the check reads them.
    warnings = checkedWarnings();
    if (failure)
        std::rethrow_exception(failure);
    notes.removeAll(QString());
    return notes.join(u'\n');
}

void Conversion::checkFor(TextEncoding encoding, const HeldRecords *held)
{
    if (encoding == m_checkedEncoding && !held && !m_checkedAgainstHeld)
        return;
    if (m_check.valid())
        m_check.wait();
    m_warnings.reset();
    m_checkedEncoding = encoding;
    m_checkedAgainstHeld = held != nullptr;
    m_check = checkRecordsAside(m_table.lines, m_form, encoding, m_table.rowNotes,
        RowSelection::UsedRows, held, m_table.nestedObject);
}

TextEncoding Conversion::encoding() const
{
    return m_assembly->encoding();
}

qsizetype Conversion::records() const
{
    return m_assembly->records();
}

qsizetype Conversion::replacedRecords() const
{
    const HeldReplacements *replacements = m_assembly->replacements();
    return replacements ? replacements->replaced() : 0;
}

qsizetype Conversion::unchangedRecords() const
{
    const HeldReplacements *replacements = m_assembly->replacements();
    return replacements ? replacements->unchanged() : 0;
}

EncodedLines Conversion::takeEncodedRecords()
{
    return m_assembly->takeRecords();
}

QString Conversion::save()
{
    const HeldReplacements *replacements = m_assembly->replacements();
    return m_output->commit(takeEncodedRecords(),
        replacements ? replacements->replacedLines() : QHash<qsizetype, QString>());
}
