#include "xmlwhitespace.h"

#include <QChar>

namespace {

bool isBlankCharacter(char32_t c)
{
    if (c < 0x80)
        return c == 0x20 || (c >= 0x09 && c <= 0x0D);
    if (c == 0x85 || c == 0xA0)
        return true;
    switch (QChar::category(c)) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

// Expat hands out well-formed UTF-8, so a lead byte tells the sequence length.
char32_t decodeAt(const unsigned char *p, int &length)
{
    const unsigned char b = *p;
    if (b < 0x80) {
        length = 1;
        return b;
    }
    if (b < 0xE0) {
        length = 2;
        return (char32_t(b & 0x1F) << 6) | (p[1] & 0x3F);
    }
    if (b < 0xF0) {
        length = 3;
        return (char32_t(b & 0x0F) << 12) | (char32_t(p[1] & 0x3F) << 6) | (p[2] & 0x3F);
    }
    length = 4;
    return (char32_t(b & 0x07) << 18) | (char32_t(p[1] & 0x3F) << 12) | (char32_t(p[2] & 0x3F) << 6)
        | (p[3] & 0x3F);
}

} // namespace

namespace XmlWhiteSpace {

bool isBlank(QByteArrayView utf8)
{
    const auto *p = reinterpret_cast<const unsigned char *>(utf8.data());
    const auto *end = p + utf8.size();
    int length = 0;
    while (p < end) {
        if (*p < 0x80) {
            if (!isBlankCharacter(*p))
                return false;
            ++p;
            continue;
        }
        if (!isBlankCharacter(decodeAt(p, length)))
            return false;
        p += length;
    }
    return true;
}

QByteArrayView trimmed(QByteArrayView utf8)
{
    const auto *begin = reinterpret_cast<const unsigned char *>(utf8.data());
    const auto *end = begin + utf8.size();
    int length = 0;
    while (begin < end && isBlankCharacter(decodeAt(begin, length)))
        begin += length;
    while (end > begin) {
        const unsigned char *last = end - 1;
        while (last > begin && (*last & 0xC0) == 0x80)
            --last;
        if (!isBlankCharacter(decodeAt(last, length)))
            break;
        end = last;
    }
    return QByteArrayView(reinterpret_cast<const char *>(begin), end - begin);
}

} // namespace XmlWhiteSpace
