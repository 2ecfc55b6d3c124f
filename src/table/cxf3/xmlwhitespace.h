#pragma once

#include <QByteArrayView>

// White space as the CxF3 reader trims it from text between markup: U+0009 to U+000D, U+0020,
// U+0085, U+00A0 and the Unicode space, line and paragraph separators. The text is well-formed
// UTF-8, as Expat hands it out.
namespace XmlWhiteSpace {

// True when `utf8` holds white space only, or nothing.
bool isBlank(QByteArrayView utf8);
// `utf8` without its leading and trailing white space.
QByteArrayView trimmed(QByteArrayView utf8);

} // namespace XmlWhiteSpace
