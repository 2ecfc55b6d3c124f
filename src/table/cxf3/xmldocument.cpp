#include "xmldocument.h"

#include "table/cxf3/colourobjectscanner.h"
#include "table/cxf3/xmlfileparser.h"
#include "table/cxf3/xmltree.h"
#include "table/kalidorerror.h"

XmlDocument::XmlDocument() = default;

XmlDocument::~XmlDocument() = default;

void XmlDocument::setFileName(const QString &fileName)
{
    if (fileName == m_fileName)
        return;
    deactivate();
    m_fileName = fileName;
}

void XmlDocument::activate(const QByteArrayList &textElements)
{
    if (m_tree)
        return;
    deactivate();
    m_tree = parseXmlFile(m_fileName, textElements);
}

void XmlDocument::activateColourObjects()
{
    if (m_colourObjects)
        return;
    deactivate();
    m_colourObjects = std::make_unique<ColourObjects>(scanColourObjects(m_fileName));
}

void XmlDocument::deactivate()
{
    m_tree.reset();
    m_colourObjects.reset();
}

XmlNode XmlDocument::rootElement() const
{
    if (!m_tree)
        throw KalidorError::at(m_fileName, QStringLiteral("the XML document is not loaded"));
    if (!m_tree->hasRootElement())
        throw KalidorError::at(m_fileName, QStringLiteral("the XML document holds no element"));
    return XmlNode(m_tree.get(), m_tree->rootElement());
}

const ColourObjects &XmlDocument::colourObjects() const
{
    if (!m_colourObjects)
        throw KalidorError::at(m_fileName, QStringLiteral("the colour objects are not read"));
    return *m_colourObjects;
}
