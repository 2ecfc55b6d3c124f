#pragma once

#include <QStringList>

class QPlainTextEdit;

// Showing lines in a text view, one per text block. The window holds the lines themselves; a
// view only shows them.
namespace ViewLines {

// Replaces the view's lines with `lines`, in one go, each as shown().
void replace(QPlainTextEdit *view, const QStringList &lines);
// `line` as a view can hold it on one line: a character that a text view takes for a line
// or block break is shown by a visible stand-in instead. Every other line is returned as it is.
QString shown(const QString &line);

} // namespace ViewLines
