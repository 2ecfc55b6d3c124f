#include "linereader.h"

#include "base/codepage.h"
#include "base/kalidorerror.h"

#include <QIODevice>
#include <QStringDecoder>
#include <QtEndian>

#include <algorithm>
#include <utility>

namespace {

constexpr qint64 chunkSize = 1 << 18;

bool isContinuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Length of the sequence that a lead byte starts, 0 when it starts none.
int sequenceLength(char byte)
{
    const auto lead = static_cast<unsigned char>(byte);
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Where a chunk can be cut without splitting a UTF-8 sequence: before a last sequence
// that its continuation bytes do not complete yet.
qsizetype utf8CutPoint(QByteArrayView bytes)
{
    const qsizetype size = bytes.size();
    for (qsizetype i = size - 1; i >= 0 && i >= size - 4; --i) {
        if (isContinuation(bytes[i]))
            continue;
        const int length = sequenceLength(bytes[i]);
        return length > 0 && i + length > size ? i : size;
    }
    return size;
}

// Offset of the first byte that does not start or continue a well-formed UTF-8 sequence,
// or -1. Only run once the decoder has already failed, to tell the user where.
qsizetype firstInvalidUtf8(QByteArrayView bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const int length = sequenceLength(static_cast<char>(data[i]));
        if (length == 0)
            return i;
        // Bounds of the first continuation byte rule out overlong forms, surrogates and
        // code points beyond U+10FFFF.
        const unsigned char low = data[i] == 0xE0 ? 0xA0 : data[i] == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = data[i] == 0xED ? 0x9F : data[i] == 0xF4 ? 0x8F : 0xBF;
        for (int k = 1; k < length; ++k) {
            if (i + k >= size)
                return i;
            const unsigned char next = data[i + k];
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return i;
        }
        i += length;
    }
    return -1;
}

// Every pair of bytes is one code unit as it stands, unpaired surrogates included; appended to
// `text`.
void decodeUtf16Onto(QByteArrayView bytes, TextEncoding encoding, QString &text)
{
    const qsizetype start = text.size();
    const qsizetype units = bytes.size() / 2;
    text.resize(start + units);
    if (encoding == TextEncoding::Utf16BE)
        qFromBigEndian<char16_t>(bytes.data(), units, text.data() + start);
    else
        qFromLittleEndian<char16_t>(bytes.data(), units, text.data() + start);
}

} // namespace

LineReader::LineReader(QIODevice &device)
    : m_device(device)
{
    readMark();
}

void LineReader::readMark()
{
    // A sequential device may hand over fewer bytes than asked for, so the first three are
    // gathered before the mark is looked for; what is not mark is the start of the text.
    QByteArray start;
    while (start.size() < ByteOrderMark::utf8.size()) {
        const QByteArray more = m_device.read(ByteOrderMark::utf8.size() - start.size());
        if (more.isEmpty())
            break;
        start += more;
    }
    qsizetype markLength = 0;
    m_encoding = ByteOrderMark::find(start, markLength);
    m_carried = start.sliced(markLength);
    m_bytesDecoded = markLength;
}

void LineReader::decodeOnto(QByteArrayView bytes, bool atEnd)
{
    switch (m_encoding) {
    case TextEncoding::DefaultCodePage:
        m_bytesDecoded += bytes.size();
        DefaultCodePage::decodeOnto(bytes, m_text);
        return;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        const qsizetype even = bytes.size() & ~qsizetype(1);
        if (even < bytes.size()) {
            if (atEnd)
                m_droppedOddByte = true;
            else
                m_carried = bytes.sliced(even).toByteArray();
        }
        m_bytesDecoded += even;
        decodeUtf16Onto(bytes.first(even), m_encoding, m_text);
        return;
    }
    case TextEncoding::Utf8: {
        const qsizetype cut = atEnd ? bytes.size() : utf8CutPoint(bytes);
        const QByteArrayView whole = bytes.first(cut);
        // A mark inside the text is a character like any other.
        QStringDecoder decoder(QStringConverter::Utf8,
            QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        const qsizetype start = m_text.size();
        m_text.resize(start + decoder.requiredSpace(whole.size()));
        const QChar *end = decoder.appendToBuffer(m_text.data() + start, whole);
        m_text.truncate(end - m_text.constData());
        if (decoder.hasError()) {
            m_text.truncate(start);
            const qsizetype invalid = qMax<qsizetype>(firstInvalidUtf8(whole), 0);
            const qint64 offset = m_bytesDecoded + invalid;
            throw KalidorError(QStringLiteral("Invalid UTF-8 sequence at byte offset %1 (0x%2)")
                                   .arg(offset)
                                   .arg(offset, 0, 16),
                lineOf(QString::fromUtf8(whole.first(invalid))));
        }
        m_carried = bytes.sliced(cut).toByteArray();
        m_bytesDecoded += cut;
        return;
    }
    }
    Q_UNREACHABLE();
}

qint64 LineReader::lineOf(const QString &decodedBefore) const
{
    // After a NUL the text has ended, so the bytes belong to no line.
    if (m_textEnded || decodedBefore.contains(QChar(u'\0')))
        return 0;
    // The unread text holds no whole line end, or readLine would not have asked for more.
    const QString unread = m_text.sliced(m_position) + decodedBefore;
    qint64 line = m_linesRead + 1;
    for (qsizetype i = 0; i < unread.size(); ++i) {
        if (unread[i] == u'\n'
            || (unread[i] == u'\r' && !(i + 1 < unread.size() && unread[i + 1] == u'\n')))
            ++line;
    }
    return line;
}

bool LineReader::decodeMore()
{
    if (m_deviceEnded)
        return false;
    // The chunk's buffer and the text are kept from one chunk to the next: memory newly taken
    // for each chunk would cost as much again as decoding it.
    const qsizetype carried = m_carried.size();
    // A file says how much is left, so a small one gets no full-sized buffer.
    const qint64 wanted = m_device.isSequential()
        ? chunkSize
        : qBound<qint64>(1, m_device.size() - m_device.pos(), chunkSize);
    m_chunk.resize(carried + wanted);
    std::copy(m_carried.cbegin(), m_carried.cend(), m_chunk.begin());
    m_carried.clear();
    const qint64 got = m_device.read(m_chunk.data() + carried, wanted);
    if (got < 0)
        throw KalidorError(m_device.errorString());
    m_chunk.truncate(carried + got);
    m_deviceEnded = got == 0 || m_device.atEnd();

    // The text already cut into lines goes and the rest moves to the front, where the new text
    // follows it, so that the text held never grows beyond about two chunks.
    if (m_position > 0) {
        QChar *units = m_text.data();
        std::copy(units + m_position, units + m_text.size(), units);
        m_text.truncate(m_text.size() - m_position);
        m_position = 0;
    }
    const qsizetype start = m_text.size();
    decodeOnto(m_chunk, m_deviceEnded);
    // After a NUL the bytes are only decoded, so that an invalid sequence is still found.
    if (m_textEnded) {
        m_text.truncate(start);
        return true;
    }
    const qsizetype nul = m_text.indexOf(QChar(u'\0'), start);
    if (nul >= 0) {
        m_text.truncate(nul);
        m_textEnded = true;
        m_stoppedAtNul = true;
    }
    return true;
}

bool LineReader::readLine(QString &line)
{
    qsizetype searched = 0; // how much of the unread text is known to hold no line end
    for (;;) {
        const auto *units = m_text.utf16();
        const qsizetype size = m_text.size();
        qsizetype i = m_position + searched;
        for (; i < size; ++i) {
            const char16_t unit = units[i];
            if (unit > u'\r' || (unit != u'\r' && unit != u'\n'))
                continue;
            // A CR at the end of what is decoded so far may be the first half of CR LF.
            if (unit == u'\r' && i + 1 == size && !m_textEnded && !m_deviceEnded)
                break;
            line = m_text.sliced(m_position, i - m_position);
            m_position = i + (unit == u'\r' && i + 1 < size && units[i + 1] == u'\n' ? 2 : 1);
            ++m_linesRead;
            return true;
        }
        searched = i - m_position;
        if (!decodeMore()) {
            if (m_position >= m_text.size())
                return false;
            line = m_text.sliced(m_position);
            m_position = m_text.size();
            ++m_linesRead;
            return true;
        }
    }
}
