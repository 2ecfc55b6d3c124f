#pragma once

#include <QString>

#include <memory>

class ColourObjectScan;
struct ColourObjects;

// A CxF3 file by name and, while active, the colour objects read from it in one pass, without
// a tree of the document.
class XmlDocument {
public:
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument &) = delete;
    XmlDocument &operator=(const XmlDocument &) = delete;

    const QString &fileName() const { return m_fileName; }
    // Naming another file drops what was read from the one before; the same name changes
    // nothing.
    void setFileName(const QString &fileName);

    bool isActive() const { return m_colourObjects != nullptr; }
    // Reads the colour objects of the named CxF3 file (see scanColourObjects) unless it
    // already holds them. Throws KalidorError when the file cannot be read or parsed; the
    // document then stays inactive. A scan of the named file made beforehand is taken
    // instead of reading the file again.
    void activateColourObjects(ColourObjectScan *madeScan = nullptr);
    // Drops what was read.
    void deactivate();

    // Throws KalidorError unless activated by activateColourObjects().
    const ColourObjects &colourObjects() const;

private:
    QString m_fileName;
    std::unique_ptr<ColourObjects> m_colourObjects;
};
