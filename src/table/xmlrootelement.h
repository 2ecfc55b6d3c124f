#pragma once

#include <QString>

#include <optional>

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

// Reads the file at `path` only as far as its root element's start tag. A byte-order mark
// decides the encoding, else the XML declaration; a code page Expat does not know is read as
// Latin-1, since only names and URIs in ASCII decide anything here. Nothing when the file is
// not XML up to there, holds no element, or the start tag uses a prefix that nothing binds.
// Throws KalidorError when the file cannot be opened or read.
std::optional<XmlRootElement> readXmlRootElement(const QString &path);
