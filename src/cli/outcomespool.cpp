#include "outcomespool.h"

#include <cstring>

// A record: its line (8 bytes), its action (1 byte), then its name, L*, a*, b* and source,
// each as a 4-byte length and that many bytes of UTF-8, all in the machine's byte order.

namespace {

constexpr qsizetype bufferSize = 1 << 20;
constexpr qsizetype lengthSize = sizeof(quint32);
constexpr qsizetype headSize = sizeof(qint64) + 1;
constexpr int textsPerRecord = 5;

template <typename T> void appendRaw(QByteArray &bytes, T value)
{
    bytes.append(reinterpret_cast<const char *>(&value), sizeof value);
}

template <typename T> T readRaw(const char *data)
{
    T value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

} // namespace

OutcomeSpool::OutcomeSpool(const QString &folder)
    : m_file(OpenFile::createUnnamed(folder))
    , m_utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless)
{
    m_buffer.reserve(bufferSize + bufferSize / 4);
}

void OutcomeSpool::add(const RecordOutcome &outcome)
{
    appendRaw(m_buffer, qint64(outcome.fileLine));
    appendRaw(m_buffer, quint8(outcome.action));
    appendText(outcome.name);
    for (qsizetype value = 0; value < 3; ++value)
        appendText(outcome.values.value(value));
    appendText(outcome.source);
    ++m_records;
    if (m_buffer.size() >= bufferSize)
        flush();
}

void OutcomeSpool::appendText(QStringView text)
{
    const qsizetype lengthAt = m_buffer.size();
    m_buffer.resize(lengthAt + lengthSize + m_utf8.requiredSpace(text.size()));
    char *start = m_buffer.data() + lengthAt + lengthSize;
    const char *end = m_utf8.appendToBuffer(start, text);
    const quint32 length = quint32(end - start);
    std::memcpy(m_buffer.data() + lengthAt, &length, lengthSize);
    m_buffer.truncate(lengthAt + lengthSize + length);
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
    m_buffer.clear();
}

void OutcomeSpool::restart()
{
    // The old records are written over; only what was written since counts.
    m_buffer.clear();
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
    for (qsizetype record = 0; record < m_records; ++record) {
        // Every length is in the chunk before any view is taken, as `need` may move it.
        qsizetype size = headSize;
        std::array<std::pair<qsizetype, qsizetype>, textsPerRecord> texts {};
        for (auto &[offset, length] : texts) {
            need(size + lengthSize);
            length = readRaw<quint32>(chunk.constData() + at + size);
            offset = size + lengthSize;
            size = offset + length;
        }
        need(size);
        const char *data = chunk.constData() + at;
        const auto text = [&](int index) {
            return QByteArrayView(data + texts[index].first, texts[index].second);
        };
        take({ readRaw<qint64>(data), RecordAction(readRaw<quint8>(data + sizeof(qint64))),
            text(0), { text(1), text(2), text(3) }, text(4) });
        at += size;
    }
}
