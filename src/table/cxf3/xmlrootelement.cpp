#include "xmlrootelement.h"

#include "table/cxf3/namespacescope.h"
#include "table/cxf3/xmlcontenthandler.h"
#include "table/cxf3/xmlfilereader.h"

#include <cstring>

namespace {

// Takes the first start tag and ends the parse there.
class RootElementHandler final : public XmlContentHandler {
public:
    explicit RootElementHandler(XmlFileReader &reader)
        : m_reader(reader)
    {
    }

    const std::optional<XmlRootElement> &root() const { return m_root; }

    void startElement(const char *name, const char **attributes) override
    {
        m_reader.finish();
        // Only the root's own declarations can apply to its name.
        NamespaceScope scope;
        scope.declare(attributes);
        const QByteArrayView uri = scope.uri(scope.bindingOf(name));
        const char *colon = std::strchr(name, ':');
        // As in Expat's namespace mode: a prefix must be bound, and to a URI.
        if (colon && uri.isEmpty())
            return;
        XmlRootElement root;
        root.namespaceUri = QString::fromUtf8(uri);
        root.localName = QString::fromUtf8(colon ? colon + 1 : name);
        if (colon)
            root.prefix = QString::fromUtf8(name, colon - name);
        root.line = m_reader.currentLine();
        m_root = std::move(root);
    }

private:
    XmlFileReader &m_reader;
    std::optional<XmlRootElement> m_root;
};

} // namespace

std::optional<XmlRootElement> readXmlRootElement(const InputFile &file)
{
    XmlFileReader reader(file);
    reader.readForeignCodePagesAsLatin1();
    RootElementHandler handler(reader);
    try {
        reader.parse(handler);
    } catch (const XmlDocumentError &) {
        return std::nullopt;
    }
    return handler.root();
}
