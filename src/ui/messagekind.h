#pragma once

// The two kinds of message box the program shows; each fixes the caption and the icon.
enum class MessageKind {
    Error, // "Error" with the stop icon
    Information, // "Information" with the information icon
};
