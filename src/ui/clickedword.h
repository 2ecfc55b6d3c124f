#pragma once

#include <QString>

#include <utility>

// The word a double-click at `column` of `text` selects, as a plain text view finds it: from
// the start of the word the column is in or before, over letters and digits, or over a run of
// punctuation. Its first column and the column after it.
std::pair<int, int> clickedWord(const QString &text, int column);
