// An existing database file of arbitrary bytes, appended to: whenever the save goes through,
// every unit of the old text is written back as it was, only line ends made CR LF; whenever it
// does not, the file is left exactly as it was.

#include "base/kalidorerror.h"
#include "database/databasewriter.h"
#include "fuzzcheck.h"
#include "scratchfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <sys/stat.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

struct Mark {
    TextEncoding encoding = TextEncoding::DefaultCodePage;
    qsizetype size = 0;
};

Mark markOf(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return { TextEncoding::Utf8, 3 };
    if (bytes.startsWith("\xFF\xFE"))
        return { TextEncoding::Utf16LE, 2 };
    if (bytes.startsWith("\xFE\xFF"))
        return { TextEncoding::Utf16BE, 2 };
    return {};
}

// What a byte-exact append must leave of `bytes` in front of the records: the mark as it was,
// then the body with every CR LF, CR and LF made CR LF and a line end after the last line.
// Works on code units (two bytes after a UTF-16 mark), without decoding anything, so that a
// unit the loader lost or changed shows up as a difference.
QByteArray expectedKeptBytes(QByteArrayView bytes, const Mark &mark)
{
    const bool utf16
        = mark.encoding == TextEncoding::Utf16LE || mark.encoding == TextEncoding::Utf16BE;
    const bool bigEndian = mark.encoding == TextEncoding::Utf16BE;
    const qsizetype unitSize = utf16 ? 2 : 1;
    const QByteArrayView body = bytes.sliced(mark.size);
    const auto unitAt = [&](qsizetype i) -> char16_t {
        if (!utf16)
            return uchar(body[i]);
        const auto first = uchar(body[i]);
        const auto second = i + 1 < body.size() ? uchar(body[i + 1]) : 0;
        return bigEndian ? char16_t(first << 8 | second) : char16_t(first | second << 8);
    };
    const QByteArray crLf = !utf16 ? QByteArray("\r\n")
        : bigEndian                ? QByteArray("\0\r\0\n", 4)
                                   : QByteArray("\r\0\n\0", 4);

    QByteArray kept = bytes.first(mark.size).toByteArray();
    bool lineOpen = false;
    for (qsizetype i = 0; i < body.size(); i += unitSize) {
        const char16_t unit = unitAt(i);
        if (unit == u'\r' || unit == u'\n') {
            kept += crLf;
            lineOpen = false;
            if (unit == u'\r' && i + unitSize < body.size() && unitAt(i + unitSize) == u'\n')
                i += unitSize;
        } else {
            // A lone last byte after a UTF-16 mark is copied as it is; no save can keep it in a
            // file of whole code units, so such a file must be refused.
            kept += body.sliced(i, qMin(unitSize, body.size() - i));
            lineOpen = true;
        }
    }
    if (lineOpen)
        kept += crLf;
    return kept;
}

// Whether the text of `bytes` can be read whole: no NUL character, strict UTF-8 after its mark,
// whole code units after a UTF-16 mark. Only such a file may, and must, be appended to.
bool readableInFull(QByteArrayView bytes, const Mark &mark)
{
    const QByteArrayView body = bytes.sliced(mark.size);
    switch (mark.encoding) {
    case TextEncoding::DefaultCodePage:
        return !body.contains('\0');
    case TextEncoding::Utf8: {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString text = decoder.decode(body);
        return !decoder.hasError() && !text.contains(QChar(u'\0'));
    }
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE:
        if (body.size() % 2 != 0)
            return false;
        for (qsizetype i = 0; i < body.size(); i += 2) {
            if (body[i] == '\0' && body[i + 1] == '\0')
                return false;
        }
        return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(data, qsizetype(size));
    const QString folder = scratchFolder().path();
    const QString path = scratchFolder().filePath(QStringLiteral("database.csv"));
    FUZZ_CHECK(writeScratchFile(path, bytes));
    struct stat before { };
    FUZZ_CHECK(stat(QFile::encodeName(path).constData(), &before) == 0);

    // Records the default code page can hold, so that encoding them loses nothing either.
    const QStringList records { QStringLiteral("KALIDOR 1,50.5,-1,2"),
        QStringLiteral("KALIDOR \u00C9t\u00E9,3,4,5") };
    const Mark mark = markOf(bytes);
    try {
        saveDatabase(path, records, true);
    } catch (const KalidorError &error) {
        FUZZ_CHECK(!readableInFull(bytes, mark));
        FUZZ_CHECK(error.text().contains(path));
        struct stat after { };
        FUZZ_CHECK(stat(QFile::encodeName(path).constData(), &after) == 0);
        FUZZ_CHECK(after.st_ino == before.st_ino);
        FUZZ_CHECK(readFile(path) == bytes);
        FUZZ_CHECK(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
            == QStringList { QStringLiteral("database.csv") });
        return 0;
    }

    FUZZ_CHECK(readableInFull(bytes, mark));
    const QByteArray recordBytes = encodeLines(records, mark.encoding);
    const qsizetype recordMarkSize = mark.encoding == TextEncoding::DefaultCodePage ? 0 : mark.size;
    FUZZ_CHECK(
        readFile(path) == expectedKeptBytes(bytes, mark) + recordBytes.sliced(recordMarkSize));
    return 0;
}
