#pragma once

#include <QByteArrayList>

#include <memory>

class QString;
class XmlTree;

// Reads the whole file and parses it into a tree (see XmlTree). A byte-order mark decides
// the encoding; without one the text is UTF-8 unless its XML declaration names another.
// Text between markup is trimmed of Unicode white space and dropped when blank; CDATA and
// attribute values are kept as written. External entities are never fetched and entity
// expansion is bounded. Throws KalidorError, naming the file and the line, when the file
// cannot be read, is not well-formed, names an encoding that is not supported or refers to
// an entity that is not defined or external.
// With `textElements`, only nodes directly inside elements whose name as written or local name
// is listed keep their text; all others are still in the tree, where their text reads as
// empty. A large file is mostly text that nobody asks for.
std::unique_ptr<XmlTree> parseXmlFile(const QString &path, const QByteArrayList &textElements = {});
