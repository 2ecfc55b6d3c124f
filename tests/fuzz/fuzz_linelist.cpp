// Arbitrary bytes loaded into a line list and classified.

#include "fuzzcheck.h"
#include "table/codepage.h"
#include "table/colourtable.h"
#include "table/filetype.h"
#include "table/kalidorerror.h"
#include "table/linelist.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <cstddef>
#include <cstdint>

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    const bool utf8Mark = bytes.startsWith("\xEF\xBB\xBF");
    const bool utf16LEMark = !utf8Mark && bytes.startsWith("\xFF\xFE");
    const bool utf16BEMark = !utf8Mark && bytes.startsWith("\xFE\xFF");

    LoadedLines loaded;
    try {
        loaded = decodeLines(bytes);
    } catch (const KalidorError &error) {
        // Only strict UTF-8 can refuse bytes; every other decoding takes anything.
        FUZZ_CHECK(utf8Mark);
        FUZZ_CHECK(!error.text().isEmpty());
        return 0;
    }

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
