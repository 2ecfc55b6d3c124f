#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The 8-bit code page for text without a byte-order mark: the ANSI code page on Windows,
// Windows-1252 elsewhere. Its five unassigned bytes (81, 8D, 8F, 90, 9D) map to the
// control characters of the same value, so any bytes survive a decode and an encode unchanged.
namespace DefaultCodePage {

// Never fails: every byte maps to one character.
QString decode(QByteArrayView bytes);
// decode, appending to `text`: a reader that keeps its text takes no new memory per chunk.
void decodeOnto(QByteArrayView bytes, QString &text);
// A character that the code page cannot represent becomes "?".
QByteArray encode(QStringView text);
// The code page's name, for messages: "Windows-1252", or the ANSI code page's number.
QString name();
// True only where the code page is UTF-8 (a Windows system set to UTF-8).
bool isUtf8();

} // namespace DefaultCodePage
