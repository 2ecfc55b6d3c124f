// Arbitrary bytes loaded into a line list and classified: from memory, from a file, and from a
// device that hands them out a few at a time, as a pipe does, so that chunks end anywhere.

#include "base/codepage.h"
#include "base/kalidorerror.h"
#include "fuzzcheck.h"
#include "scratchfolder.h"
#include "table/colourtable.h"
#include "table/filetype.h"
#include "table/linelist.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringDecoder>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

// The lines joined by LF as they must come out of `text` (cut at its first NUL already):
// every CR LF, CR and LF turned into LF, and one last line end dropped.
QString expectedJoinedLines(QStringView text)
{
    QString joined;
    joined.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r') {
            joined += u'\n';
            if (i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else {
            joined += c;
        }
    }
    if (joined.endsWith(u'\n'))
        joined.chop(1);
    return joined;
}

// A sequential device that gives at most `piece` bytes per read.
class PiecewiseDevice : public QIODevice {
public:
    PiecewiseDevice(const QByteArray &bytes, qint64 piece)
        : m_bytes(bytes)
        , m_piece(piece)
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override
    {
        return m_bytes.size() - m_position + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 size = qMin(qMin(maxSize, m_piece), m_bytes.size() - m_position);
        std::memcpy(data, m_bytes.constData() + m_position, size_t(size));
        m_position += size;
        return size;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    const QByteArray m_bytes;
    const qint64 m_piece;
    qint64 m_position = 0;
};

struct Outcome {
    std::optional<LoadedLines> loaded;
    QString error;
};

Outcome readPiecewise(const QByteArray &bytes, qint64 piece)
{
    PiecewiseDevice device(bytes, piece);
    Outcome outcome;
    try {
        outcome.loaded = readLines(device);
    } catch (const KalidorError &error) {
        outcome.error = error.text();
    }
    return outcome;
}

bool same(const LoadedLines &a, const LoadedLines &b)
{
    return a.lines == b.lines && a.encoding == b.encoding && a.stoppedAtNul == b.stoppedAtNul
        && a.droppedOddByte == b.droppedOddByte;
}

// The same bytes, loaded every other way, must give the same lines or the same error; the
// file's type must be the same whether it is told from the file or from its lines.
void checkOtherReads(const QByteArray &bytes, const Outcome &fromMemory)
{
    // About four pieces, their ends moving through the text as the input grows.
    const Outcome piecewise = readPiecewise(bytes, bytes.size() / 4 + 1);
    FUZZ_CHECK(piecewise.loaded.has_value() == fromMemory.loaded.has_value());
    FUZZ_CHECK(!piecewise.loaded || same(*piecewise.loaded, *fromMemory.loaded));
    FUZZ_CHECK(piecewise.error == fromMemory.error);

    const QString path = scratchFolder().filePath(QStringLiteral("lines.txt"));
    FUZZ_CHECK(writeScratchFile(path, bytes));
    const QString prefix = path + QStringLiteral(": ");
    try {
        const LoadedLines fromFile = loadLines(path);
        FUZZ_CHECK(fromMemory.loaded && same(fromFile, *fromMemory.loaded));
    } catch (const KalidorError &error) {
        FUZZ_CHECK(!fromMemory.loaded && error.text() == prefix + fromMemory.error);
    }
    try {
        const QString type = DetectFileTypeOfFile(path);
        // Bytes that cannot be loaded are classified only when a header line comes before
        // the fault, since reading stops there.
        FUZZ_CHECK(fromMemory.loaded ? type == DetectFileType(fromMemory.loaded->lines)
                                     : type == FileTypeTag::textFile);
    } catch (const KalidorError &error) {
        FUZZ_CHECK(!fromMemory.loaded && error.text() == prefix + fromMemory.error);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const bool utf8Mark = bytes.startsWith("\xEF\xBB\xBF");
    const bool utf16LEMark = !utf8Mark && bytes.startsWith("\xFF\xFE");
    const bool utf16BEMark = !utf8Mark && bytes.startsWith("\xFE\xFF");

    Outcome fromMemory;
    try {
        fromMemory.loaded = decodeLines(bytes);
    } catch (const KalidorError &error) {
        fromMemory.error = error.text();
    }
    checkOtherReads(bytes, fromMemory);
    if (!fromMemory.loaded) {
        // Only strict UTF-8 can refuse bytes; every other decoding takes anything.
        FUZZ_CHECK(utf8Mark);
        FUZZ_CHECK(!fromMemory.error.isEmpty());
        return 0;
    }
    const LoadedLines &loaded = *fromMemory.loaded;

    QString text;
    if (utf8Mark) {
        FUZZ_CHECK(loaded.encoding == TextEncoding::Utf8);
        QStringDecoder decoder(QStringConverter::Utf8,
            QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        text = decoder.decode(bytes.sliced(3));
        FUZZ_CHECK(!decoder.hasError());
    } else if (utf16LEMark || utf16BEMark) {
        FUZZ_CHECK(
            loaded.encoding == (utf16LEMark ? TextEncoding::Utf16LE : TextEncoding::Utf16BE));
        const QByteArray body = bytes.sliced(2);
        for (qsizetype i = 0; i + 1 < body.size(); i += 2) {
            const auto first = uchar(body[i]);
            const auto second = uchar(body[i + 1]);
            text += QChar(
                utf16LEMark ? char16_t(first | second << 8) : char16_t(first << 8 | second));
        }
    } else {
        FUZZ_CHECK(loaded.encoding == TextEncoding::DefaultCodePage);
        text = DefaultCodePage::decode(bytes);
        // Every byte must come back from the code page unchanged.
        FUZZ_CHECK(DefaultCodePage::encode(text) == bytes);
    }

    FUZZ_CHECK(loaded.stoppedAtNul == text.contains(QChar(u'\0')));
    FUZZ_CHECK(loaded.droppedOddByte == ((utf16LEMark || utf16BEMark) && size % 2 != 0));
    for (const QString &line : loaded.lines) {
        FUZZ_CHECK(!line.contains(u'\r'));
        FUZZ_CHECK(!line.contains(u'\n'));
        FUZZ_CHECK(!line.contains(QChar(u'\0')));
    }
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    const QStringView usable = QStringView(text).first(nul < 0 ? text.size() : nul);
    if (usable.isEmpty())
        FUZZ_CHECK(loaded.lines.isEmpty());
    else
        FUZZ_CHECK(loaded.lines.join(u'\n') == expectedJoinedLines(usable));

    const QString type = DetectFileType(loaded.lines);
    FUZZ_CHECK(
        type == FileTypeTag::textFile || type == FileTypeTag::cxf3 || type == FileTypeTag::error);
    // The header line as written always makes a text table.
    if (loaded.lines.contains(ColourTable::headerLine()))
        FUZZ_CHECK(type == FileTypeTag::textFile);
    return 0;
}
