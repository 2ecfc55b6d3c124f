#include "xmldocument.h"

#include "base/kalidorerror.h"
#include "table/cxf3/colourobjectscan.h"
#include "table/cxf3/colourobjectscanner.h"

XmlDocument::XmlDocument() = default;

XmlDocument::~XmlDocument() = default;

void XmlDocument::setFileName(const QString &fileName)
{
    if (fileName == m_fileName)
        return;
    deactivate();
    m_fileName = fileName;
}

void XmlDocument::activateColourObjects(ColourObjectScan *madeScan)
{
    if (m_colourObjects)
        return;
    deactivate();
    m_colourObjects = std::make_unique<ColourObjects>(madeScan && madeScan->path() == m_fileName
            ? madeScan->take()
            : scanColourObjects(m_fileName));
}

void XmlDocument::deactivate()
{
    m_colourObjects.reset();
}

const ColourObjects &XmlDocument::colourObjects() const
{
    if (!m_colourObjects)
        throw KalidorError::at(m_fileName, QStringLiteral("the colour objects are not read"));
    return *m_colourObjects;
}
