#pragma once

#include "messagekind.h"

#include <QString>
class QWidget;

// Shows a modal message box of the given kind with one OK button and waits until it is
// closed. Without an owner it belongs to the active window. The text is shown unchanged;
// its CR line breaks show as separate lines. `details`, when not empty, is the box's
// detailed text, hidden until the operator asks for it.
void showMessageBox(
    QWidget *owner, MessageKind kind, const QString &text, const QString &details = {});
