#pragma once

#include <QString>
#include <QStringView>

// Whether `c` is a control character: U+0000 to U+001F, DEL (U+007F) or U+0080 to U+009F. A
// terminal acts on them instead of showing them.
bool isControlCharacter(QChar c);

// Whether `text` holds a control character.
bool holdsControlCharacter(QStringView text);

// `text` with each control character written as "\x" and two hex digits ("\x1B" for ESC), so
// that a message shows it instead of a terminal or a label acting on it.
QString withVisibleControls(QStringView text);
