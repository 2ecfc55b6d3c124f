#pragma once

#include <QStringList>

class QPlainTextEdit;

// Access to a text view as a list of lines, one per text block. Blocks are read one by one
// because the view's plain text would turn no-break spaces into spaces.
namespace ViewLines {

// The view's lines; an empty view has none.
QStringList lines(const QPlainTextEdit *view);
// True when the view holds no line.
bool isEmpty(const QPlainTextEdit *view);
// Replaces the view's lines with `lines`, in one go.
void replace(QPlainTextEdit *view, const QStringList &lines);

} // namespace ViewLines
