#include "runreport.h"

#include "jsontext.h"
#include "outcomespool.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

// The report's text as it is made, handed on in pieces of about a mebibyte.
class ReportText {
public:
    explicit ReportText(const std::function<void(QByteArrayView)> &write)
        : m_write(write)
        , m_buffer(2 * pieceSize)
    {
    }

    // Room for `size` more bytes; end() then tells how many were written.
    char *room(qsizetype size)
    {
        if (m_used >= pieceSize || m_used + size > qsizetype(m_buffer.size()))
            flush();
        if (size > qsizetype(m_buffer.size()))
            m_buffer.resize(size);
        return m_buffer.data() + m_used;
    }
    void end(const char *at) { m_used = at - m_buffer.data(); }

    template<std::size_t size> void append(const char (&literal)[size])
    {
        char *out = room(size - 1);
        std::memcpy(out, literal, size - 1);
        end(out + size - 1);
    }
    void appendString(QByteArrayView utf8)
    {
        end(writeJsonString(room(jsonStringRoom(utf8.size())), utf8));
    }
    void appendNumber(qint64 number)
    {
        constexpr qsizetype digits = 24;
        char *out = room(digits);
        end(std::to_chars(out, out + digits, number).ptr);
    }
    void flush()
    {
        if (m_used > 0)
            m_write(QByteArrayView(m_buffer.data(), m_used));
        m_used = 0;
    }

private:
    static constexpr qsizetype pieceSize = 1 << 20;

    const std::function<void(QByteArrayView)> &m_write;
    std::vector<char> m_buffer;
    qsizetype m_used = 0;
};

} // namespace

void writeRunReport(OutcomeSpool &records, const QList<RecordWarning> &warnings, ExitStatus status,
    const QString &error, const std::function<void(QByteArrayView)> &write)
{
    const bool written = status == ExitStatus::Done;
    // The warnings by record; late ones (conditions listed at the end of a file, names the
    // database holds) join their records here.
    std::vector<qsizetype> byRecord(warnings.size());
    std::iota(byRecord.begin(), byRecord.end(), 0);
    std::stable_sort(byRecord.begin(), byRecord.end(),
        [&](qsizetype a, qsizetype b) { return warnings.at(a).record < warnings.at(b).record; });
    auto warning = byRecord.cbegin();

    // The keys in the order the report has always had them, alphabetical; one record a line.
    ReportText json(write);
    json.append("{\n");
    if (!written) {
        json.append("\"error\":");
        json.appendString(utf8Text(error));
        json.append(",\n");
    }
    json.append("\"records\":[");
    std::array<qsizetype, 3> counts {};
    qsizetype record = 0;
    records.forEach([&](const OutcomeSpool::Record &outcome) {
        if (record > 0)
            json.append(",");
        json.append("\n{\"action\":\"");
        if (!written)
            json.append("none");
        else if (outcome.action == RecordAction::Added)
            json.append("added");
        else if (outcome.action == RecordAction::Replaced)
            json.append("replaced");
        else
            json.append("unchanged");
        json.append("\",\"line\":");
        json.appendNumber(outcome.fileLine);
        json.append(",\"name\":");
        json.appendString(outcome.name);
        if (!outcome.source.isEmpty()) {
            json.append(",\"source\":");
            json.appendString(outcome.source);
        }
        json.append(",\"values\":[");
        json.appendString(outcome.values[0]);
        json.append(",");
        json.appendString(outcome.values[1]);
        json.append(",");
        json.appendString(outcome.values[2]);
        json.append("],\"warnings\":[");
        for (bool first = true;
             warning != byRecord.cend() && warnings.at(*warning).record <= record;
             ++warning, first = false) {
            const RecordWarning &told = warnings.at(*warning);
            if (!first)
                json.append(",");
            json.append("{\"kind\":");
            json.appendString(utf8Text(warningKindName(told.kind)));
            json.append(",\"text\":");
            json.appendString(utf8Text(told.what));
            json.append("}");
        }
        json.append("]}");
        if (written)
            ++counts[std::size_t(outcome.action)];
        ++record;
    });
    if (record > 0)
        json.append("\n");
    json.append("],\n");
    json.append("\"status\":");
    json.appendNumber(int(status));
    json.append(",\n\"totals\":{\"added\":");
    json.appendNumber(counts[std::size_t(RecordAction::Added)]);
    json.append(",\"records\":");
    json.appendNumber(record);
    json.append(",\"replaced\":");
    json.appendNumber(counts[std::size_t(RecordAction::Replaced)]);
    json.append(",\"unchanged\":");
    json.appendNumber(counts[std::size_t(RecordAction::Unchanged)]);
    json.append(",\"warnings\":");
    json.appendNumber(warnings.size());
    json.append("}\n}\n");
    json.flush();
}
