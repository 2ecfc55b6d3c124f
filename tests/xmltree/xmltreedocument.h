#pragma once

#include "xmlnode.h"

#include <QByteArrayList>
#include <QString>

#include <memory>

class XmlTree;

// An XML file by name and, while active, its whole parsed tree with the lookups that the CxF3
// reader's rules are written in: the model the one-pass reader is held to. Nodes taken from it
// stay valid until it is deactivated or given another file name.
class XmlTreeDocument {
public:
    XmlTreeDocument();
    ~XmlTreeDocument();
    XmlTreeDocument(const XmlTreeDocument &) = delete;
    XmlTreeDocument &operator=(const XmlTreeDocument &) = delete;

    const QString &fileName() const { return m_fileName; }
    // Naming another file drops the tree of the one before; the same name changes nothing.
    void setFileName(const QString &fileName);

    bool isActive() const { return m_tree != nullptr; }
    // Loads and parses the named file (see parseXmlFile, which `textElements` is passed to)
    // unless it already holds its tree. Throws KalidorError when the file cannot be read or
    // parsed; the document then stays inactive.
    void activate(const QByteArrayList &textElements = {});
    // Drops the tree.
    void deactivate();

    // Throws KalidorError when the document is not active or holds no element.
    XmlNode rootElement() const;

private:
    QString m_fileName;
    std::unique_ptr<XmlTree> m_tree;
};
