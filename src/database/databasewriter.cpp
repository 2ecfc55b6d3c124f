#include "databasewriter.h"

#include "base/codepage.h"
#include "databasesave.h"

#include <QtEndian>

#include <utility>

namespace {

// Lines are gathered into blocks of about this many code units, so that short lines are
// encoded many at a time.
constexpr qsizetype blockSize = 1 << 16;

QByteArray utf16Bytes(const QString &text, TextEncoding encoding)
{
    // Code unit for code unit, so that even an unpaired surrogate is written back as it was read.
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    if (encoding == TextEncoding::Utf16LE)
        qToLittleEndian<char16_t>(text.utf16(), text.size(), bytes.data());
    else
        qToBigEndian<char16_t>(text.utf16(), text.size(), bytes.data());
    return bytes;
}

} // namespace

QByteArray EncodedLines::withMark() const
{
    // Only a system whose code page is UTF-8 marks its files.
    const QByteArrayView mark
        = encoding == TextEncoding::DefaultCodePage && DefaultCodePage::isUtf8()
        ? ByteOrderMark::utf8
        : ByteOrderMark::of(encoding);
    return mark.toByteArray() + bytes;
}

LineEncoder::LineEncoder(TextEncoding encoding)
    : m_encoding(encoding)
{
    m_block.reserve(blockSize);
}

void LineEncoder::append(const QString &line)
{
    m_block += line;
    m_block += u"\r\n";
    if (m_block.size() >= blockSize)
        encodeBlock();
}

EncodedLines LineEncoder::encodeAll(const QStringList &lines, TextEncoding encoding)
{
    LineEncoder encoder(encoding);
    // Sized once for the lines all held here, so that growing never holds their bytes twice.
    qsizetype units = 0;
    for (const QString &line : lines)
        units += line.size() + 2;
    encoder.reserve(
        encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE ? 2 * units : units);
    for (const QString &line : lines)
        encoder.append(line);
    return encoder.take();
}

EncodedLines LineEncoder::take()
{
    encodeBlock();
    return { m_encoding, std::exchange(m_bytes, {}) };
}

QByteArray LineEncoder::encode(const QString &text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::DefaultCodePage:
        return DefaultCodePage::encode(text);
    case TextEncoding::Utf8:
        return text.toUtf8();
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return utf16Bytes(text, encoding);
    }
    Q_UNREACHABLE();
}

void LineEncoder::encodeBlock()
{
    m_bytes += encode(m_block, m_encoding);
    m_block.truncate(0);
}

QByteArray encodeLines(const QStringList &lines, TextEncoding encoding)
{
    return LineEncoder::encodeAll(lines, encoding).withMark();
}

QString saveDatabase(const QString &path, const QStringList &records, bool append)
{
    return DatabaseSave(path, append).commit(records);
}
