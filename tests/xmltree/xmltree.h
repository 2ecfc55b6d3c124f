#pragma once

#include "blockarray.h"
#include "xmlnodekind.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// The storage behind XmlNode handles: flat arrays of node records, interned names and
// namespace URIs, and one UTF-8 pool for every text and attribute value. A large file
// holds millions of nodes; records of a few integers keep that lean and let text be
// decoded only when someone asks for it.
class XmlTree {
public:
    using Index = std::uint32_t;

    struct Node {
        XmlNodeKind kind;
        Index name; // into names(); element name as written or PI target, else 0
        Index namespaceUri; // into namespaceUris(); 0 is the empty URI
        Index line; // where the node starts in the file, from 1
        Index first; // elements: first child slot; others: start of their text
        Index count; // elements: number of children; others: length of their text
        Index firstAttribute;
        Index attributeCount;
    };

    struct Attribute {
        Index name;
        Index valueStart;
        Index valueLength;
    };

    XmlTree();

    const Node &node(Index index) const { return m_nodes[index]; }
    Index child(const Node &parent, Index position) const
    {
        return m_childSlots[parent.first + position];
    }
    const Attribute &attribute(const Node &element, Index position) const
    {
        return m_attributes[element.firstAttribute + position];
    }

    const QString &name(Index index) const { return m_names[index]; }
    // The part of name(index) after its first colon, or all of it.
    QStringView localName(Index index) const
    {
        return QStringView(m_names[index]).mid(m_localNameStart[index]);
    }
    const QString &namespaceUri(Index index) const { return m_namespaceUris[index]; }
    QByteArrayView text(Index start, Index length) const
    {
        return QByteArrayView(m_text.constData() + start, length);
    }

    Index rootElement() const { return m_rootElement; }
    bool hasRootElement() const { return m_rootElement != noElement; }

    // Building, in document order.
    Index internName(QByteArrayView utf8);
    Index internNamespaceUri(QByteArrayView utf8);
    Index addElement(Index name, Index namespaceUri, Index line);
    void addAttribute(Index element, Index name, QByteArrayView value);
    Index addText(XmlNodeKind kind, Index name, QByteArrayView text, Index line);
    // Hands an element its children: the entries of `childSlots` from `from` to the end.
    void setChildren(Index element, const std::vector<Index> &childSlots, std::size_t from);
    void setRootElement(Index element) { m_rootElement = element; }

private:
    Index appendText(QByteArrayView text);
    Index checkedSize(std::size_t size) const;
    static std::size_t recentNameSlot(QByteArrayView utf8);

    BlockArray<Node> m_nodes;
    BlockArray<Index> m_childSlots;
    BlockArray<Attribute> m_attributes;
    std::vector<QString> m_names;
    std::vector<QByteArray> m_nameBytes; // the same names as written, in UTF-8
    std::vector<qsizetype> m_localNameStart;
    QHash<QByteArray, Index> m_nameIndex;
    // A name as looked up last, by its length and end letters; see internName.
    std::array<Index, 64> m_recentNames {};
    std::vector<QString> m_namespaceUris;
    QHash<QByteArray, Index> m_namespaceUriIndex;
    QByteArray m_text;
    static constexpr Index noElement = UINT32_MAX;

    Index m_rootElement = noElement;
};
