#include "heldrecords.h"

#include "specialcolorrecord.h"

#include <utility>

namespace {

struct RecordParts {
    QStringView name;
    QStringView values;
};

std::optional<RecordParts> recordParts(QStringView line)
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

} // namespace

HeldRecords::HeldRecords(QStringList lines)
    : m_lines(std::move(lines))
{
    m_firstLineOfName.reserve(m_lines.size());
    // From the last line up, so that the first line of a name is the one kept.
    for (qsizetype i = m_lines.size() - 1; i >= 0; --i) {
        if (const std::optional<RecordParts> parts = recordParts(m_lines.at(i)))
            m_firstLineOfName.insert(parts->name, i);
    }
}

std::optional<HeldRecord> HeldRecords::find(QStringView name) const
{
    const auto found = m_firstLineOfName.constFind(name);
    if (found == m_firstLineOfName.cend())
        return std::nullopt;
    const QStringView values = recordParts(m_lines.at(*found))->values;
    return HeldRecord { *found + 1, values, labOfValueList(values) };
}
