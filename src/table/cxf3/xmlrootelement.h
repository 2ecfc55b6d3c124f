#pragma once

#include <QString>

#include <optional>

class InputFile;

// The root element of an XML file as its start tag names it.
struct XmlRootElement {
    // Empty when no namespace declaration applies.
    QString namespaceUri;
    QString localName;
    // As written; empty for a name without one.
    QString prefix;
    // Where the start tag begins, counted from 1.
    qint64 line = 0;
};

// Reads `file` through XmlFileReader only as far as its root element's start tag, a code page
// Expat does not know read as Latin-1, since only names and URIs in ASCII decide anything
// here. Nothing when the file is not XML up to there (as XmlFileReader judges it), holds no
// element, or the start tag uses a prefix that nothing binds.
// Throws KalidorError when the file cannot be read.
std::optional<XmlRootElement> readXmlRootElement(const InputFile &file);
