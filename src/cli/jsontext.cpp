#include "jsontext.h"

#include <QStringEncoder>

#include <cstring>

char *writeJsonString(char *out, QByteArrayView utf8)
{
    static constexpr char hex[] = "0123456789abcdef";
    *out++ = '"';
    const char *data = utf8.data();
    qsizetype plain = 0;
    const auto copyPlain = [&](qsizetype upTo) {
        std::memcpy(out, data + plain, upTo - plain);
        out += upTo - plain;
    };
    for (qsizetype at = 0; at < utf8.size(); ++at) {
        const auto byte = static_cast<unsigned char>(data[at]);
        // U+FEFF escaped, since some readers take it at the start of a string for a byte-order
        // mark and drop it.
        if (byte == 0xEF
            && QByteArrayView(data + at, utf8.size() - at).startsWith("\xEF\xBB\xBF")) {
            copyPlain(at);
            std::memcpy(out, "\\ufeff", 6);
            out += 6;
            at += 2;
            plain = at + 1;
            continue;
        }
        if (byte >= 0x20 && byte != '"' && byte != '\\')
            continue;
        copyPlain(at);
        plain = at + 1;
        *out++ = '\\';
        switch (byte) {
        case '"':
        case '\\':
            *out++ = char(byte);
            break;
        case '\n':
            *out++ = 'n';
            break;
        case '\r':
            *out++ = 'r';
            break;
        case '\t':
            *out++ = 't';
            break;
        default:
            *out++ = 'u';
            *out++ = '0';
            *out++ = '0';
            *out++ = hex[byte >> 4];
            *out++ = hex[byte & 0xF];
        }
    }
    copyPlain(utf8.size());
    *out++ = '"';
    return out;
}

QByteArray utf8Text(QStringView text)
{
    QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    return utf8.encode(text);
}
