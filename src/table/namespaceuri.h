#pragma once

#include <QStringView>

// Namespace URIs as the CxF3 reader and the file recognition compare them.
namespace NamespaceUri {

// The namespace of CxF3's core elements, as published with the standard.
inline constexpr QStringView cxf3Core(u"http://colorexchangeformat.com/CxF3-core");

// Two URIs name the same namespace when they match with the letters A to Z in either case;
// every other character, non-ASCII letters included, must be the same.
inline bool same(QStringView a, QStringView b)
{
    const auto fold = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; };
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (fold(a[i].unicode()) != fold(b[i].unicode()))
            return false;
    }
    return true;
}

} // namespace NamespaceUri
