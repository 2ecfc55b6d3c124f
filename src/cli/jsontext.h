#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

// JSON strings as RFC 8259 has them, for text written a piece at a time.

// Appends `utf8`, which must be valid UTF-8, as a quoted JSON string: quotes, backslashes and
// control characters escaped, everything else as it is.
void appendJsonString(QByteArray &json, QByteArrayView utf8);
// The same for `text`; a lone surrogate, which UTF-8 cannot hold, becomes U+FFFD.
void appendJsonString(QByteArray &json, QStringView text);
