#pragma once

#include "messagekind.h"

#include <QString>

#include <optional>

// The modal dialogs of the main window, behind one seam so that tests can answer them.
class WindowDialogs {
public:
    virtual ~WindowDialogs() = default;

    // Asks for a colour table file; the chosen full path, or nothing when cancelled.
    // The chosen file need not exist.
    virtual std::optional<QString> chooseKalidorFile() = 0;
    // Asks for the database file to save, offering `fileName`; the chosen full path, or
    // nothing when cancelled. An existing file is taken without a question.
    virtual std::optional<QString> chooseDelvaneColorFile(const QString &fileName) = 0;
    // Shows a modal message box and returns when it is closed. `details`, when not empty, is
    // the box's detailed text, which the operator opens with "Show Details...".
    virtual void showMessage(MessageKind kind, const QString &text, const QString &details = {})
        = 0;
};
