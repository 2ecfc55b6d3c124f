#include "jsontext.h"

#include <QStringEncoder>

void appendJsonString(QByteArray &json, QByteArrayView utf8)
{
    static constexpr char hex[] = "0123456789abcdef";
    json.append('"');
    qsizetype plain = 0;
    for (qsizetype at = 0; at < utf8.size(); ++at) {
        const auto byte = static_cast<unsigned char>(utf8[at]);
        if (byte >= 0x20 && byte != '"' && byte != '\\')
            continue;
        json.append(utf8.sliced(plain, at - plain));
        plain = at + 1;
        switch (byte) {
        case '"':
            json.append("\\\"");
            break;
        case '\\':
            json.append("\\\\");
            break;
        case '\n':
            json.append("\\n");
            break;
        case '\r':
            json.append("\\r");
            break;
        case '\t':
            json.append("\\t");
            break;
        default:
            json.append("\\u00").append(hex[byte >> 4]).append(hex[byte & 0xF]);
        }
    }
    json.append(utf8.sliced(plain));
    json.append('"');
}

void appendJsonString(QByteArray &json, QStringView text)
{
    QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    appendJsonString(json, QByteArray(utf8.encode(text)));
}
