#include "textedits.h"

#include <QKeyEvent>

namespace {

constexpr QKeySequence::StandardKey editingKeys[] = {
    QKeySequence::Undo,
    QKeySequence::Redo,
    QKeySequence::Cut,
    QKeySequence::Paste,
    QKeySequence::Delete,
    QKeySequence::Backspace,
    QKeySequence::DeleteStartOfWord,
    QKeySequence::DeleteEndOfWord,
    QKeySequence::DeleteEndOfLine,
    QKeySequence::DeleteCompleteLine,
    QKeySequence::InsertParagraphSeparator,
    QKeySequence::InsertLineSeparator,
};

// Text a text view types in: printable characters, tabs and formatting marks, but not the
// control characters that Control with a letter gives.
bool typesText(const QKeyEvent &key)
{
    const QString text = key.text();
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    // Control and Shift sometimes type a formatting mark, such as a zero-width joiner.
    if (first.category() == QChar::Other_Format)
        return true;
    const Qt::KeyboardModifiers modifiers = key.modifiers();
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return false;
    return first.isPrint() || first == u'\t' || first.category() == QChar::Other_PrivateUse
        || first.isHighSurrogate();
}

} // namespace

bool editsText(const QKeyEvent &key)
{
    for (const QKeySequence::StandardKey editing : editingKeys) {
        if (key.matches(editing))
            return true;
    }
    switch (key.key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return true;
    default:
        return typesText(key);
    }
}
