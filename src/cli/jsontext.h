#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

// JSON strings as RFC 8259 has them, for text written a piece at a time.

// The most bytes that writeJsonString writes for `size` bytes of text: each may take six.
constexpr qsizetype jsonStringRoom(qsizetype size)
{
    return 2 + 6 * size;
}

// Writes `utf8`, which must be valid UTF-8, to `out` as a quoted JSON string: quotes,
// backslashes, control characters and U+FEFF escaped, everything else as it is. Returns the
// end.
char *writeJsonString(char *out, QByteArrayView utf8);

// `text` as UTF-8, a lone surrogate, which UTF-8 cannot hold, as U+FFFD.
QByteArray utf8Text(QStringView text);
