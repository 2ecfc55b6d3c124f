#include "databasewriter.h"

#include "filesave.h"
#include "table/codepage.h"
#include "table/kalidorerror.h"
#include "table/linelist.h"

#include <QtEndian>

namespace {

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

// The existing file is left as it was; `reason` says why it cannot be appended to.
[[noreturn]] void failAppend(
    const QString &path, const QString &reason, qint64 line = 0, qint64 column = 0)
{
    throw KalidorError::at(path,
        QStringLiteral("could not be appended to, so it was left as it was: %1").arg(reason), line,
        column);
}

LoadedLines loadExisting(const QString &path, const FileSave &save)
{
    LoadedLines loaded;
    try {
        loaded = decodeLines(save.readExisting());
    } catch (const KalidorError &error) {
        failAppend(path, error.reason(), error.line(), error.column());
    }
    if (loaded.stoppedAtNul)
        failAppend(path, QStringLiteral("it holds a NUL character, so it cannot be read in full"));
    // Writing back whole code units would lose that byte.
    if (loaded.droppedOddByte)
        failAppend(path,
            QStringLiteral("it ends in half a UTF-16 character, so it cannot be read in full"));
    return loaded;
}

} // namespace

QByteArray encodeLines(const QStringList &lines, TextEncoding encoding)
{
    // Only a system whose code page is UTF-8 marks its files.
    QByteArray bytes = encoding == TextEncoding::DefaultCodePage && DefaultCodePage::isUtf8()
        ? ByteOrderMark::utf8.toByteArray()
        : ByteOrderMark::of(encoding).toByteArray();
    // A block of lines at a time, so that the whole text is never held a second time as UTF-16.
    qsizetype units = 0;
    for (const QString &line : lines)
        units += line.size() + 2;
    const bool wide = encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE;
    bytes.reserve(bytes.size() + (wide ? 2 * units : units));
    const auto encodeBlock = [&](const QString &text) {
        switch (encoding) {
        case TextEncoding::DefaultCodePage:
            bytes += DefaultCodePage::encode(text);
            return;
        case TextEncoding::Utf8:
            bytes += text.toUtf8();
            return;
        case TextEncoding::Utf16LE:
        case TextEncoding::Utf16BE:
            bytes += utf16Bytes(text, encoding);
            return;
        }
        Q_UNREACHABLE();
    };
    constexpr qsizetype blockSize = 1 << 16;
    QString block;
    block.reserve(blockSize);
    for (const QString &line : lines) {
        block += line;
        block += u"\r\n";
        if (block.size() >= blockSize) {
            encodeBlock(block);
            block.truncate(0);
        }
    }
    encodeBlock(block);
    return bytes;
}

QString saveDatabase(const QString &path, const QStringList &records, bool append)
{
    // Appending refuses to save over a change that another program made after the read.
    FileSave save(path, append);
    QStringList lines;
    TextEncoding encoding = TextEncoding::DefaultCodePage;
    if (append && save.exists()) {
        const LoadedLines existing = loadExisting(path, save);
        lines = existing.lines;
        encoding = existing.encoding;
    }
    lines += records;
    return save.commit(encodeLines(lines, encoding));
}
