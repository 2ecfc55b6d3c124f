#pragma once

#include <QtGlobal>

// The kinds of node that an XML tree keeps; the document type declaration is not kept.
enum class XmlNodeKind : quint8 {
    Element,
    Text, // character data between markup, trimmed, never blank
    CData,
    Comment,
    ProcessingInstruction,
};
