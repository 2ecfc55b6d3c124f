#pragma once

#include "table/cxf3/xmlnode.h"

#include <QByteArrayList>
#include <QString>

#include <memory>

struct ColourObjects;
class XmlTree;

// An XML file by name and, while active, what was read from it: its parsed tree, or the
// colour objects of a CxF3 file, gathered without a tree. Nodes taken from it stay valid
// until it is deactivated or given another file name.
class XmlDocument {
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument &) = delete;
    XmlDocument &operator=(const XmlDocument &) = delete;

    const QString &fileName() const { return m_fileName; }
    // Naming another file drops the tree of the one before; the same name changes nothing.
    void setFileName(const QString &fileName);

    bool isActive() const { return m_tree || m_colourObjects; }
    // Loads and parses the named file (see parseXmlFile, which `textElements` is passed to)
    // unless it already holds its tree. Throws KalidorError when the file cannot be read or
    // parsed; the document then stays inactive.
    void activate(const QByteArrayList &textElements = {});
    // Reads the colour objects of the named CxF3 file (see scanColourObjects) unless it
    // already holds them. Throws as activate() does.
    void activateColourObjects();
    // Drops what was read.
    void deactivate();

    // Throws KalidorError when the document is not active or holds no element.
    XmlNode rootElement() const;
    // Throws KalidorError unless activated by activateColourObjects().
    const ColourObjects &colourObjects() const;

private:
    QString m_fileName;
    std::unique_ptr<XmlTree> m_tree;
    std::unique_ptr<ColourObjects> m_colourObjects;
};
