#pragma once

#include <QString>

// Showing lines in a view, one per row. The window holds the lines themselves; a view only
// shows them.
namespace ViewLines {

// `line` as a view can hold it on one line: a character that a text view takes for a line
// or block break is shown by a visible stand-in instead. Every other line is returned as it is.
QString shown(const QString &line);

} // namespace ViewLines
