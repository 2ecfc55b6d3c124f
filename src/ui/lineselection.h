#pragma once

#include <QString>

#include <compare>
#include <functional>

// A place between two characters of a list of lines.
struct LinePlace {
    qsizetype line = 0;
    qsizetype column = 0;

    auto operator<=>(const LinePlace &) const = default;
};

// A selection of text across lines, from where it was begun (the anchor) to where it is now
// (the caret), in either order.
struct LineSelection {
    LinePlace anchor;
    LinePlace caret;

    bool isEmpty() const { return anchor == caret; }
    LinePlace start() const { return qMin(anchor, caret); }
    LinePlace end() const { return qMax(anchor, caret); }
    // The columns of `line` that are selected, from `from` for `length` characters; a length
    // one past the line's end when the selection goes on to the next line. Nothing selected
    // gives a length of 0.
    std::pair<qsizetype, qsizetype> columnsOf(qsizetype line, qsizetype lineLength) const;
    // The selected text, its lines joined by "\n"; `line` gives a line's text by number.
    QString textOf(const std::function<QString(qsizetype)> &line) const;
};
