#pragma once

#include "messagekind.h"

class QString;
class QWidget;

// Shows a modal message box of the given kind with one OK button and waits until it is
// closed. Without an owner it belongs to the active window. The text is shown unchanged;
// its CR line breaks show as separate lines.
void showMessageBox(QWidget *owner, MessageKind kind, const QString &text);
