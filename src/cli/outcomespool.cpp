#include "outcomespool.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>
#include <utility>

// A record: its line, its action (1 byte), then its name, L*, a*, b* and source, each as its
// length and that many bytes of UTF-8. Numbers take 7 bits a byte, the high bit set on all but
// the last, so that a record of short texts takes few bytes more than its texts.

namespace {

constexpr qsizetype bufferSize = 1 << 20;
constexpr int textsPerRecord = 5;
// The most bytes a number takes.
constexpr qsizetype numberRoom = 10;

char *writeNumber(char *out, quint64 number)
{
    while (number >= 0x80) {
        *out++ = char(number | 0x80);
        number >>= 7;
    }
    *out++ = char(number);
    return out;
}

} // namespace

OutcomeSpool::OutcomeSpool(const QString &folder)
    : m_file(OpenFile::createUnnamed(folder))
    , m_utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless)
{
    m_buffer.reserve(2 * bufferSize);
}

void OutcomeSpool::add(const RecordOutcome &outcome)
{
    const std::array<QStringView, textsPerRecord> texts { outcome.name, outcome.values[0],
        outcome.values[1], outcome.values[2], outcome.source };
    qsizetype room = numberRoom + 1;
    for (const QStringView text : texts)
        room += numberRoom + m_utf8.requiredSpace(text.size());
    const qsizetype start = m_buffer.size();
    m_buffer.resize(start + room);
    char *out = writeNumber(m_buffer.data() + start, quint64(outcome.fileLine));
    *out++ = char(outcome.action);
    for (const QStringView text : texts) {
        // Encoded after room for its length, then moved up to the length it has.
        char *encoded = out + numberRoom;
        const qsizetype length = m_utf8.appendToBuffer(encoded, text) - encoded;
        out = writeNumber(out, quint64(length));
        std::memmove(out, encoded, length);
        out += length;
    }
    m_buffer.truncate(out - m_buffer.constData());
    ++m_records;
    if (m_buffer.size() >= bufferSize)
        flush();
}

void OutcomeSpool::flush()
{
    if (m_failure || m_buffer.isEmpty())
        return;
    try {
        m_file.writeAt(m_written, m_buffer);
        m_written += m_buffer.size();
    } catch (const KalidorError &error) {
        m_failure = error;
    }
    // Kept for the next records: a buffer freed and made again costs its pages afresh.
    m_buffer.truncate(0);
}

void OutcomeSpool::restart()
{
    // The old records are written over; only what was written since counts.
    m_buffer.truncate(0);
    m_written = 0;
    m_records = 0;
    m_failure.reset();
}

void OutcomeSpool::throwIfFailed() const
{
    if (m_failure)
        throw *m_failure;
}

void OutcomeSpool::forEach(const std::function<void(const Record &)> &take)
{
    flush();
    throwIfFailed();
    QByteArray chunk;
    qint64 readUpTo = 0;
    qsizetype at = 0;
    // Makes sure that `size` bytes from `at` on are in the chunk; moves what is before `at` out.
    const auto need = [&](qsizetype size) {
        if (chunk.size() - at >= size)
            return;
        chunk.remove(0, at);
        at = 0;
        while (chunk.size() < size) {
            const qsizetype had = chunk.size();
            const qsizetype wanted = std::max(size - had, bufferSize);
            chunk.resize(had + wanted);
            const qint64 got = m_file.readAt(readUpTo, chunk.data() + had, wanted);
            chunk.truncate(had + got);
            readUpTo += got;
            if (got == 0)
                throw KalidorError(QStringLiteral("the scratch file of the records ended early"));
        }
    };
    // The number at `size` bytes into the record, and where it ends.
    const auto number = [&](qsizetype &size) {
        quint64 value = 0;
        for (int shift = 0;; shift += 7) {
            need(size + 1);
            const auto byte = static_cast<unsigned char>(chunk.at(at + size++));
            value |= quint64(byte & 0x7F) << shift;
            if (byte < 0x80)
                return value;
        }
    };
    for (qsizetype record = 0; record < m_records; ++record) {
        // Every text is in the chunk before any view is taken, as `need` may move it.
        qsizetype size = 0;
        const auto fileLine = qint64(number(size));
        need(size + 1);
        const auto action = RecordAction(chunk.at(at + size++));
        std::array<std::pair<qsizetype, qsizetype>, textsPerRecord> texts {};
        for (auto &[offset, length] : texts) {
            length = qsizetype(number(size));
            offset = size;
            size += length;
        }
        need(size);
        const char *data = chunk.constData() + at;
        const auto text = [&](int index) {
            return QByteArrayView(data + texts[index].first, texts[index].second);
        };
        take({ fileLine, action, text(0), { text(1), text(2), text(3) }, text(4) });
        at += size;
    }
}

QString OutcomeSpool::text(QByteArrayView utf8)
{
    QStringDecoder decoder(QStringConverter::Utf8,
        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(utf8);
}
