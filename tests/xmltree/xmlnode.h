#pragma once

#include "xmlnodekind.h"

#include <QString>
#include <QStringView>

#include <cstdint>

class XmlTree;

// A light handle on one node of a loaded XML tree; valid while the tree's document stays
// active. A default-constructed handle is an empty element: no name, no attributes,
// no children.
class XmlNode {
public:
    // Why a value lookup found no value.
    enum class ValueProblem {
        None,
        Missing, // no child element of that name
        Empty, // the element holds nothing, or held only white space
        SeveralNodes, // the element holds more than one node
        NotText, // its one node is an element, a comment or a processing instruction
    };

    // The text of a value lookup, or why there is none.
    struct Value {
        QString text;
        ValueProblem problem = ValueProblem::None;
    };

    XmlNode() = default;
    XmlNode(const XmlTree *tree, std::uint32_t index);

    // False for the empty element that stands in when a child lookup finds nothing.
    bool exists() const { return m_tree != nullptr; }
    XmlNodeKind kind() const;
    bool isElement() const { return kind() == XmlNodeKind::Element; }
    // The name as written, prefix included; a processing instruction's target; empty for
    // text, CDATA and comments.
    QString name() const;
    // The name after its first colon, or all of it.
    QString localName() const;
    // The URI that the xmlns declarations in scope bind to the element's prefix; empty when
    // none applies.
    QString namespaceUri() const;
    // The line of the file on which the node starts (for text, its trimmed text); 0 for the
    // empty element.
    int line() const;

    int childCount() const;
    XmlNode child(int index) const;

    int attributeCount() const;
    QString attributeName(int index) const;
    QString attributeValue(int index) const;
    // Attribute names compare exactly, prefix and letter case included.
    bool hasAttribute(QStringView name) const;
    // Empty when there is no such attribute.
    QString attribute(QStringView name) const;

    // The content of a text, CDATA or comment node, or a processing instruction's data; empty
    // when the tree was read without it (see parseXmlFile).
    QString text() const;

    // The first child element whose name as written or local name is `name`, and whose
    // namespace URI matches this element's (A to Z in either case) unless this one has none.
    // When nothing matches, an empty element stands in; it is not added to the tree.
    XmlNode childElement(QStringView name) const;
    // The text of the first matching child element (as childElement finds it) when that
    // element holds exactly one text or CDATA node that is not empty.
    Value value(QStringView name) const;

private:
    bool findChildElement(QStringView name, XmlNode &found) const;

    const XmlTree *m_tree = nullptr;
    std::uint32_t m_index = 0;
};
