#include "xmlfileparser.h"

#include "base/inputfile.h"
#include "table/cxf3/namespacescope.h"
#include "table/cxf3/xmlcontenthandler.h"
#include "table/cxf3/xmlfilereader.h"
#include "table/cxf3/xmlwhitespace.h"
#include "xmltree.h"

#include <QByteArrayView>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Builds the tree from the reader's events, every node of the document in it.
class TreeBuilder final : public XmlContentHandler {
public:
    TreeBuilder(XmlFileReader &reader, const QByteArrayList &textElements)
        : m_reader(reader)
        , m_textElements(textElements)
        , m_tree(std::make_unique<XmlTree>())
    {
        reader.setCharacterDataWanted(true);
    }

    std::unique_ptr<XmlTree> takeTree() { return std::move(m_tree); }

    void startElement(const char *name, const char **atts) override
    {
        flushText();
        const std::size_t scopeMark = m_scope.mark();
        m_scope.declare(atts);
        const XmlTree::Index elementName = m_tree->internName(QByteArrayView(name));
        const XmlTree::Index element = m_tree->addElement(elementName,
            m_tree->internNamespaceUri(m_scope.uri(m_scope.bindingOf(name))), currentLine());
        const bool keeps = keepsText(elementName, name);
        for (const char **att = atts; *att; att += 2)
            m_tree->addAttribute(
                element, m_tree->internName(QByteArrayView(att[0])), QByteArrayView(att[1]));
        if (m_open.empty())
            m_tree->setRootElement(element);
        else
            addChild(element);
        m_open.push_back(OpenElement { element, m_childSlots.size(), scopeMark, keeps });
    }

    void endElement() override
    {
        flushText();
        const OpenElement open = m_open.back();
        m_open.pop_back();
        m_tree->setChildren(open.element, m_childSlots, open.firstChildSlot);
        m_childSlots.resize(open.firstChildSlot);
        m_scope.restore(open.scopeMark);
    }

    // Expat hands over whole characters and puts each line break in a call of its own, so
    // the first call that is not blank tells where the trimmed text starts. Text that is
    // dropped is only checked for being blank.
    void characterData(const char *data, int length) override
    {
        // Outside the root element Expat allows white space only.
        if (m_open.empty())
            return;
        const bool keeps = openElementKeepsText();
        if (m_inCdata) {
            if (keeps)
                m_cdata.append(data, length);
            return;
        }
        if (!m_textNonBlank) {
            if (XmlWhiteSpace::isBlank(QByteArrayView(data, length))) {
                if (keeps)
                    m_text.append(data, length);
                return;
            }
            m_textNonBlank = true;
            m_textLine = currentLine();
        }
        if (keeps)
            m_text.append(data, length);
    }

    void startCdata() override
    {
        flushText();
        m_inCdata = true;
        m_cdataLine = currentLine();
    }

    void endCdata() override
    {
        addTextChild(XmlNodeKind::CData, 0, m_cdata, m_cdataLine);
        m_cdata.clear();
        m_inCdata = false;
    }

    // Comments and processing instructions around the root element are not kept: only
    // the root element is ever asked for.
    void comment(const char *text) override
    {
        flushText();
        if (!m_open.empty())
            addTextChild(XmlNodeKind::Comment, 0, QByteArrayView(text), currentLine());
    }

    void processingInstruction(const char *target, const char *data) override
    {
        flushText();
        if (!m_open.empty())
            addTextChild(XmlNodeKind::ProcessingInstruction,
                m_tree->internName(QByteArrayView(target)), QByteArrayView(data), currentLine());
    }

private:
    struct OpenElement {
        XmlTree::Index element;
        std::size_t firstChildSlot;
        std::size_t scopeMark;
        bool keepsText;
    };

    XmlTree::Index currentLine() const
    {
        return static_cast<XmlTree::Index>(m_reader.currentLine());
    }

    void addChild(XmlTree::Index node) { m_childSlots.push_back(node); }

    // Worked out once for each element name.
    bool keepsText(XmlTree::Index name, const char *elementName)
    {
        if (m_textElements.isEmpty())
            return true;
        if (name >= m_keepsTextByName.size())
            m_keepsTextByName.resize(name + 1, -1);
        std::int8_t &keeps = m_keepsTextByName[name];
        if (keeps < 0) {
            const char *colon = std::strchr(elementName, ':');
            const char *localName = colon ? colon + 1 : elementName;
            keeps = m_textElements.contains(elementName) || m_textElements.contains(localName);
        }
        return keeps;
    }

    bool openElementKeepsText() const { return m_open.back().keepsText; }

    // A node with its text dropped, or with `text` when its parent keeps text.
    void addTextChild(
        XmlNodeKind kind, XmlTree::Index name, QByteArrayView text, XmlTree::Index line)
    {
        addChild(
            m_tree->addText(kind, name, openElementKeepsText() ? text : QByteArrayView(), line));
    }

    // Expat may split one run of character data over several calls, so trimming waits
    // until markup ends the run.
    void flushText()
    {
        if (m_textNonBlank)
            addChild(
                m_tree->addText(XmlNodeKind::Text, 0, XmlWhiteSpace::trimmed(m_text), m_textLine));
        m_text.clear();
        m_textNonBlank = false;
    }

    XmlFileReader &m_reader;
    const QByteArrayList &m_textElements;
    std::vector<std::int8_t> m_keepsTextByName; // by name index: 1 or 0, or -1 until known
    std::unique_ptr<XmlTree> m_tree;
    std::vector<OpenElement> m_open;
    std::vector<XmlTree::Index> m_childSlots;
    NamespaceScope m_scope;
    // Kept apart from the tree, which keeps only the trimmed text; their capacity stays
    // from one run to the next.
    std::string m_text;
    bool m_textNonBlank = false;
    XmlTree::Index m_textLine = 0;
    std::string m_cdata;
    XmlTree::Index m_cdataLine = 0;
    bool m_inCdata = false;
};

} // namespace

std::unique_ptr<XmlTree> parseXmlFile(const QString &path, const QByteArrayList &textElements)
{
    const InputFile file(path);
    XmlFileReader reader(file);
    TreeBuilder builder(reader, textElements);
    reader.parse(builder);
    return builder.takeTree();
}
