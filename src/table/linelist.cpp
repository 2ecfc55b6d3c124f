#include "linelist.h"

#include "codepage.h"
#include "kalidorerror.h"

#include <QByteArray>
#include <QCollator>
#include <QFile>
#include <QLocale>
#include <QString>
#include <QStringDecoder>
#include <QtEndian>

namespace {

constexpr QByteArrayView utf8Mark("\xEF\xBB\xBF", 3);
constexpr QByteArrayView utf16LEMark("\xFF\xFE", 2);
constexpr QByteArrayView utf16BEMark("\xFE\xFF", 2);

// Offset of the first byte that does not start or continue a well-formed UTF-8 sequence,
// or -1. Only run once the decoder has already failed, to tell the user where.
qsizetype firstInvalidUtf8(QByteArrayView bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const unsigned char lead = data[i];
        int continuation = 0;
        // Bounds of the first continuation byte rule out overlong forms, surrogates and
        // code points beyond U+10FFFF.
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            continuation = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            continuation = 2;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            continuation = 3;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            return i;
        }
        for (int k = 1; k <= continuation; ++k) {
            if (i + k >= size)
                return i;
            const unsigned char next = data[i + k];
            const unsigned char min = k == 1 ? low : 0x80;
            const unsigned char max = k == 1 ? high : 0xBF;
            if (next < min || next > max)
                return i;
        }
        i += continuation + 1;
    }
    return -1;
}

// `markSize` is only there to count the offset in an error from the start of the file.
QString decodeStrictUtf8(QByteArrayView bytes, qsizetype markSize)
{
    // A second mark right after ours is text, not a mark; a sequence cut off at the end of
    // the file is an error, not state kept for a next call.
    QStringDecoder decoder(QStringConverter::Utf8,
        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        const qsizetype offset = firstInvalidUtf8(bytes);
        if (offset < 0)
            throw KalidorError(QStringLiteral("Invalid UTF-8"));
        throw KalidorError(QStringLiteral("Invalid UTF-8 sequence at byte offset %1 (0x%2)")
                               .arg(offset + markSize)
                               .arg(offset + markSize, 0, 16));
    }
    return text;
}

// Every pair of bytes is taken as one code unit as it stands, unpaired surrogates
// included; an odd last byte is dropped.
QString decodeUtf16(QByteArrayView bytes, QSysInfo::Endian byteOrder)
{
    const qsizetype units = bytes.size() / 2;
    QString text(units, Qt::Uninitialized);
    if (byteOrder == QSysInfo::BigEndian)
        qFromBigEndian<char16_t>(bytes.data(), units, text.data());
    else
        qFromLittleEndian<char16_t>(bytes.data(), units, text.data());
    return text;
}

void appendLines(QStringView text, QStringList &lines)
{
    const char16_t *units = text.utf16();
    const qsizetype size = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t unit = units[i];
        if (unit > u'\r' || (unit != u'\r' && unit != u'\n'))
            continue;
        lines.append(text.sliced(start, i - start).toString());
        if (unit == u'\r' && i + 1 < size && units[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.append(text.sliced(start).toString());
}

} // namespace

LoadedLines decodeLines(const QByteArray &bytes)
{
    LoadedLines loaded;
    const QByteArrayView view(bytes);
    QString text;
    if (view.startsWith(utf8Mark)) {
        loaded.encoding = TextEncoding::Utf8;
        text = decodeStrictUtf8(view.sliced(utf8Mark.size()), utf8Mark.size());
    } else if (view.startsWith(utf16LEMark)) {
        loaded.encoding = TextEncoding::Utf16LE;
        text = decodeUtf16(view.sliced(utf16LEMark.size()), QSysInfo::LittleEndian);
        loaded.droppedOddByte = view.size() % 2 != 0;
    } else if (view.startsWith(utf16BEMark)) {
        loaded.encoding = TextEncoding::Utf16BE;
        text = decodeUtf16(view.sliced(utf16BEMark.size()), QSysInfo::BigEndian);
        loaded.droppedOddByte = view.size() % 2 != 0;
    } else {
        text = DefaultCodePage::decode(view);
    }

    QStringView usable(text);
    const qsizetype nul = usable.indexOf(QChar(u'\0'));
    if (nul >= 0) {
        usable.truncate(nul);
        loaded.stoppedAtNul = true;
    }
    appendLines(usable, loaded.lines);
    return loaded;
}

LoadedLines loadLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw KalidorError(QStringLiteral("Cannot open %1: %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw KalidorError(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    try {
        return decodeLines(bytes);
    } catch (const KalidorError &error) {
        throw KalidorError(QStringLiteral("%1: %2").arg(path, error.text()));
    }
}

int findLine(const QStringList &lines, const QString &line)
{
    QCollator collator { QLocale() };
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (collator.compare(lines.at(i), line) == 0)
            return int(i);
    }
    return -1;
}
