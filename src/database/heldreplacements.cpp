#include "heldreplacements.h"

#include "databasewriter.h"
#include "heldrecords.h"

HeldReplacements::HeldReplacements(const HeldRecords &held, TextEncoding encoding)
    : m_held(held)
    , m_encoding(encoding)
{
}

RecordAction HeldReplacements::offer(QStringView writtenName, const QString &record)
{
    const std::optional<HeldRecord> held = m_held.find(writtenName);
    if (!held)
        return RecordAction::Added;
    const qsizetype index = held->line - 1;
    if (m_replacedLines.contains(index) || m_unchangedLines.contains(index))
        return RecordAction::Added;
    // Equal once encoded: a line whose bytes would not change is left as it is.
    const QString &line = m_held.lines().at(index);
    if (line == record
        || LineEncoder::encode(line, m_encoding) == LineEncoder::encode(record, m_encoding)) {
        m_unchangedLines.insert(index);
        return RecordAction::Unchanged;
    }
    m_replacedLines.insert(index, record);
    return RecordAction::Replaced;
}
