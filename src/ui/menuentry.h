#pragma once

#include <QKeySequence>

class QAction;
class QMenu;

// An entry of a text view's context menu as Qt's text views show it: its text, then the key
// the platform binds to it, if any; `name` is its object name, as Qt's own entries have one.
// The entry belongs to `menu` but is not placed in it.
QAction *menuEntry(QMenu *menu, const QString &text, QKeySequence::StandardKey key,
    const QString &name, bool enabled);
