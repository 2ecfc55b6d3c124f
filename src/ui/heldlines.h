#pragma once

#include <QStringList>

class QTextBlock;
class QTextDocument;

// A text view made from held lines shows some characters by stand-ins (see ViewLines), so its
// text alone cannot give those lines back. Each block made from a held line is marked with
// its number; a block that still shows that line as it was stands for the line itself.
namespace HeldLines {

// Marks `block` as made from held line `line`.
void mark(QTextBlock block, qsizetype line);

// The lines `document` shows: the held line of each marked block whose text is still that
// line's shown text, the text of every other block. An empty document shows no line.
QStringList shownBy(const QTextDocument &document, const QStringList &held);

} // namespace HeldLines
