#include "xmltreedocument.h"

#include "base/kalidorerror.h"
#include "xmlfileparser.h"
#include "xmltree.h"

XmlTreeDocument::XmlTreeDocument() = default;

XmlTreeDocument::~XmlTreeDocument() = default;

void XmlTreeDocument::setFileName(const QString &fileName)
{
    if (fileName == m_fileName)
        return;
    deactivate();
    m_fileName = fileName;
}

void XmlTreeDocument::activate(const QByteArrayList &textElements)
{
    if (!m_tree)
        m_tree = parseXmlFile(m_fileName, textElements);
}

void XmlTreeDocument::deactivate()
{
    m_tree.reset();
}

XmlNode XmlTreeDocument::rootElement() const
{
    if (!m_tree)
        throw KalidorError::at(m_fileName, QStringLiteral("the XML document is not loaded"));
    if (!m_tree->hasRootElement())
        throw KalidorError::at(m_fileName, QStringLiteral("the XML document holds no element"));
    return XmlNode(m_tree.get(), m_tree->rootElement());
}
