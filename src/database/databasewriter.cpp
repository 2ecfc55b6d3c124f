#include "databasewriter.h"

#include "table/codepage.h"
#include "table/kalidorerror.h"
#include "table/linelist.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
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

[[noreturn]] void failSave(const QString &path, const QString &reason)
{
    throw KalidorError(
        QStringLiteral("The special-colour database \"%1\" could not be written: %2.")
            .arg(QDir::toNativeSeparators(path), reason));
}

// `reason` names the file.
[[noreturn]] void failAppend(const QString &reason)
{
    throw KalidorError(QStringLiteral("The special-colour database could not be appended to, so "
                                      "it was left as it was: %1.")
                           .arg(reason));
}

// Whether an existing file must not be replaced. isWritable() asks access(), which lets root
// write anything, so the mode bits decide as well: a file that nobody may write (chmod a-w,
// as a read-only file on Windows) is read-only to root too. WriteUser is left out of the mask
// because it is access()'s answer again.
bool isReadOnly(const QFileInfo &file)
{
    constexpr QFile::Permissions anyWrite
        = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    return !file.isWritable() || !(file.permissions() & anyWrite);
}

void checkTarget(const QString &path, const QFileInfo &target)
{
    if (target.isDir())
        failSave(path, QStringLiteral("it is a folder"));
    if (!target.exists())
        return;
    // QSaveFile would rename a regular file over a device or a pipe, which destroys it.
    if (!target.isFile())
        failSave(path, QStringLiteral("it is not a regular file"));
    if (isReadOnly(target))
        failSave(path, QStringLiteral("the file is read-only"));
}

LoadedLines loadExisting(const QString &path)
{
    LoadedLines loaded;
    try {
        loaded = loadLines(path);
    } catch (const KalidorError &error) {
        failAppend(error.text());
    }
    if (loaded.stoppedAtNul)
        failAppend(QStringLiteral("%1 holds a NUL character, so it cannot be read in full")
                       .arg(QDir::toNativeSeparators(path)));
    // Writing back whole code units would lose that byte.
    if (loaded.droppedOddByte)
        failAppend(
            QStringLiteral("%1 ends in half a UTF-16 character, so it cannot be read in full")
                .arg(QDir::toNativeSeparators(path)));
    return loaded;
}

void writeAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    // A writable file in a folder where no temporary file can be made is still written, though
    // not atomically.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        failSave(path, file.errorString());

    // Qt 6.4 on a full disk: write() may report a short count without an error, and commit()
    // ignores a failed final flush and renames the truncated temporary file over the target.
    // So both are checked here, and the temporary file is discarded on either failure.
    QString reason;
    const qint64 written = file.write(bytes);
    if (written != bytes.size()) {
        // Qt has no error text for a short write; a full disk is the usual cause.
        reason = QStringLiteral("only %1 of %2 bytes could be written, the disk may be full")
                     .arg(qMax<qint64>(written, 0))
                     .arg(bytes.size());
    } else if (!file.flush()) {
        reason = QStringLiteral("the last bytes could not be written, the disk may be full");
    }
    if (!reason.isEmpty()) {
        // The temporary file is then removed when `file` goes out of scope.
        file.cancelWriting();
        failSave(path, reason);
    }
    if (!file.commit())
        failSave(path, file.errorString());
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

void saveDatabase(const QString &path, const QStringList &records, bool append)
{
    const QFileInfo target(path);
    checkTarget(path, target);

    QStringList lines;
    TextEncoding encoding = TextEncoding::DefaultCodePage;
    if (append && target.exists()) {
        const LoadedLines existing = loadExisting(path);
        lines = existing.lines;
        encoding = existing.encoding;
    }
    lines += records;
    writeAtomically(path, encodeLines(lines, encoding));
}
