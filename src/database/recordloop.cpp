#include "recordloop.h"

#include "database/listindexerror.h"
#include "table/splittabfields.h"

const QStringList &ColourRow::fields() const
{
    return loop.fieldsOf(line);
}

QString ColourRow::record(RecordForm form) const
{
    try {
        return specialColorRecord(fields(), form);
    } catch (const ListIndexError &error) {
        throw ListIndexError(error.index(), index, fileLine);
    }
}

RecordLoop::RecordLoop(const NumberedLines &table, RowSelection selection, const RowNotes &notes,
    const std::optional<NestedObjectNote> &nested)
    : m_table(&table)
    , m_notes(notes.isEmpty() ? nullptr : &notes)
    , m_nested(nested ? &*nested : nullptr)
    , m_colourRows(table.lines, selection)
{
}

RecordLoop::RecordLoop(RowSelection selection)
    : m_colourRows(selection)
{
}

const QString *RecordLoop::noteOf(qsizetype index) const
{
    if (!m_notes)
        return nullptr;
    const auto note = m_notes->constFind(index);
    return note == m_notes->cend() ? nullptr : &note.value();
}

const QStringList &RecordLoop::fieldsOf(const QString &line)
{
    if (!m_split) {
        // An empty line leaves the list as it was; its record must not take another row's
        // fields.
        m_fields.clear();
        SplitTabFields(line, m_fields);
        m_split = true;
    }
    return m_fields;
}
