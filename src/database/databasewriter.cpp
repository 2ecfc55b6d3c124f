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
    QString text;
    for (const QString &line : lines) {
        text += line;
        text += u"\r\n";
    }
    const QByteArray mark = ByteOrderMark::of(encoding).toByteArray();
    switch (encoding) {
    case TextEncoding::DefaultCodePage:
        // Only a system whose code page is UTF-8 marks its files.
        return DefaultCodePage::isUtf8()
            ? ByteOrderMark::utf8.toByteArray() + DefaultCodePage::encode(text)
            : DefaultCodePage::encode(text);
    case TextEncoding::Utf8:
        return mark + text.toUtf8();
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        return mark + utf16Bytes(text, encoding);
    }
    Q_UNREACHABLE();
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
