#include "heldrecords.h"

#include "specialcolorrecord.h"

#include <algorithm>
#include <utility>

namespace {

struct RecordParts {
    QStringView name;
    QStringView values;
};

// Whether one of the values is a number: a line whose values are words, such as a header
// line, holds no colour to replace or to warn of.
bool holdsANumber(QStringView values)
{
    // Without a list per line: every line of the database is looked at.
    for (const QStringView value : values.tokenize(RecordText::separator)) {
        if (plainDecimal(value))
            return true;
    }
    return false;
}

std::optional<RecordParts> splitRecord(QStringView line)
{
    using namespace RecordText;
    if (line.startsWith(legacyNameTag)) {
        const qsizetype tag = line.lastIndexOf(legacyLabTag);
        if (tag < legacyNameTag.size())
            return std::nullopt;
        return RecordParts { line.sliced(legacyNameTag.size(), tag - legacyNameTag.size()),
            line.sliced(tag + legacyLabTag.size()) };
    }
    qsizetype end = line.size();
    for (int values = 0; values < 3; ++values) {
        end = end > 0 ? line.lastIndexOf(separator, end - 1) : -1;
        if (end < 0)
            return std::nullopt;
    }
    return RecordParts { line.first(end), line.sliced(end + 1) };
}

std::optional<RecordParts> recordParts(QStringView line)
{
    std::optional<RecordParts> parts = splitRecord(line);
    if (parts && !holdsANumber(parts->values))
        return std::nullopt;
    return parts;
}

} // namespace

HeldRecords::HeldRecords(QStringList lines)
    : m_lines(std::move(lines))
{
    m_firstLineOfName.reserve(m_lines.size());
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const std::optional<RecordParts> parts = recordParts(m_lines.at(i));
        if (!parts)
            continue;
        // One lookup finds the name or makes room for it.
        const qsizetype namesBefore = m_firstLineOfName.size();
        qsizetype &first = m_firstLineOfName[parts->name];
        if (m_firstLineOfName.size() > namesBefore)
            first = i;
        else
            m_laterLines[first].push_back(i);
    }
}

std::optional<HeldRecord> HeldRecords::find(QStringView name) const
{
    const auto found = m_firstLineOfName.constFind(name);
    if (found == m_firstLineOfName.cend())
        return std::nullopt;
    return recordAt(*found);
}

std::vector<HeldRecord> HeldRecords::findAll(QStringView name) const
{
    const auto found = m_firstLineOfName.constFind(name);
    if (found == m_firstLineOfName.cend())
        return {};
    std::vector<HeldRecord> records { recordAt(*found) };
    const auto later = m_laterLines.constFind(*found);
    if (later != m_laterLines.cend()) {
        for (const qsizetype index : *later)
            records.push_back(recordAt(index));
    }
    return records;
}

HeldRecord HeldRecords::recordAt(qsizetype index) const
{
    const QStringView values = recordParts(m_lines.at(index))->values;
    return HeldRecord { index + 1, values, labOfValueList(values) };
}
