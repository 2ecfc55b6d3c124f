#pragma once

#include <QByteArrayList>

#include <memory>

class QString;
class XmlTree;

// Reads the whole file through XmlFileReader, whose rules it follows, and builds its tree
// (see XmlTree). Text between markup is trimmed of white space (see XmlWhiteSpace) and
// dropped when blank; CDATA and attribute values are kept as written. Throws KalidorError as
// XmlFileReader::parse does.
// With `textElements`, only nodes directly inside elements whose name as written or local name
// is listed keep their text; all others are still in the tree, where their text reads as
// empty. A large file is mostly text that nobody asks for.
std::unique_ptr<XmlTree> parseXmlFile(const QString &path, const QByteArrayList &textElements = {});
