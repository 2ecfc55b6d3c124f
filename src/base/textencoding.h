#pragma once

#include <QByteArrayView>

// How a text file is encoded, as its byte-order mark says.
enum class TextEncoding {
    DefaultCodePage, // no mark
    Utf8, // EF BB BF
    Utf16LE, // FF FE
    Utf16BE, // FE FF
};

// The byte-order marks, in the order they are looked for.
namespace ByteOrderMark {

inline constexpr QByteArrayView utf8("\xEF\xBB\xBF", 3);
inline constexpr QByteArrayView utf16LE("\xFF\xFE", 2);
inline constexpr QByteArrayView utf16BE("\xFE\xFF", 2);

// The encoding that the mark at the start of `bytes` names, and the mark's length;
// DefaultCodePage and 0 when there is none.
inline TextEncoding find(QByteArrayView bytes, qsizetype &length)
{
    if (bytes.startsWith(utf8)) {
        length = utf8.size();
        return TextEncoding::Utf8;
    }
    if (bytes.startsWith(utf16LE)) {
        length = utf16LE.size();
        return TextEncoding::Utf16LE;
    }
    if (bytes.startsWith(utf16BE)) {
        length = utf16BE.size();
        return TextEncoding::Utf16BE;
    }
    length = 0;
    return TextEncoding::DefaultCodePage;
}

// The mark written before text in `encoding`; none for the default code page.
inline QByteArrayView of(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return utf8;
    case TextEncoding::Utf16LE:
        return utf16LE;
    case TextEncoding::Utf16BE:
        return utf16BE;
    case TextEncoding::DefaultCodePage:
        break;
    }
    return {};
}

// The IANA name of an encoding that a mark names, as XML parsers take it; none for the
// default code page.
inline const char *ianaName(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Utf16LE:
        return "UTF-16LE";
    case TextEncoding::Utf16BE:
        return "UTF-16BE";
    case TextEncoding::DefaultCodePage:
        break;
    }
    return nullptr;
}

} // namespace ByteOrderMark
