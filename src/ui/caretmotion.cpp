#include "caretmotion.h"

#include <QKeyEvent>

std::optional<CaretKey> caretKeyOf(const QKeyEvent &event)
{
    // The platform's keys for each motion, without and with the selection following.
    struct Keys {
        CaretMotion motion;
        QKeySequence::StandardKey move;
        QKeySequence::StandardKey select;
    };
    using K = QKeySequence;
    using M = CaretMotion;
    static const Keys keys[] = {
        { M::PreviousCharacter, K::MoveToPreviousChar, K::SelectPreviousChar },
        { M::NextCharacter, K::MoveToNextChar, K::SelectNextChar },
        { M::PreviousWord, K::MoveToPreviousWord, K::SelectPreviousWord },
        { M::NextWord, K::MoveToNextWord, K::SelectNextWord },
        { M::PreviousLine, K::MoveToPreviousLine, K::SelectPreviousLine },
        { M::NextLine, K::MoveToNextLine, K::SelectNextLine },
        { M::StartOfLine, K::MoveToStartOfLine, K::SelectStartOfLine },
        { M::EndOfLine, K::MoveToEndOfLine, K::SelectEndOfLine },
        { M::PreviousPage, K::MoveToPreviousPage, K::SelectPreviousPage },
        { M::NextPage, K::MoveToNextPage, K::SelectNextPage },
        { M::StartOfText, K::MoveToStartOfDocument, K::SelectStartOfDocument },
        { M::EndOfText, K::MoveToEndOfDocument, K::SelectEndOfDocument },
    };
    for (const Keys &key : keys) {
        if (event.matches(key.select))
            return CaretKey { key.motion, true };
        if (event.matches(key.move))
            return CaretKey { key.motion, false };
    }
    return std::nullopt;
}
