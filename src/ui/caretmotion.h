#pragma once

#include <optional>

class QKeyEvent;

// Where a key moves a text caret.
enum class CaretMotion {
    PreviousCharacter,
    NextCharacter,
    PreviousWord,
    NextWord,
    PreviousLine,
    NextLine,
    StartOfLine,
    EndOfLine,
    PreviousPage,
    NextPage,
    StartOfText,
    EndOfText,
};

// A key that moves the caret, and whether the selection follows it.
struct CaretKey {
    CaretMotion motion;
    bool selects;
};

// The caret motion of a key as the platform binds it; nothing for any other key.
std::optional<CaretKey> caretKeyOf(const QKeyEvent &event);
