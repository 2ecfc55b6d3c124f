#pragma once

class QKeyEvent;

// Whether a key changes the text of an editable text view as the platform binds it: typed
// text, a line break, a deletion, paste, cut, undo or redo. Keys that only move the caret,
// select or copy are not edits.
bool editsText(const QKeyEvent &key);
