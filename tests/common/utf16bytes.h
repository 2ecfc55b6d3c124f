#pragma once

#include <QByteArray>
#include <QStringView>

// `text` as a UTF-16LE file holds it: the byte-order mark, then each code unit low byte first.
inline QByteArray utf16LE(QStringView text)
{
    QByteArray bytes("\xFF\xFE");
    for (const QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}
