#include "xmltree.h"

#include "base/kalidorerror.h"

#include <limits>

namespace {

// Looks a key up without copying it: most names repeat, so most lookups find one.
QByteArray rawKey(QByteArrayView bytes)
{
    return QByteArray::fromRawData(bytes.data(), bytes.size());
}

} // namespace

XmlTree::XmlTree()
{
    m_names.emplace_back();
    m_nameBytes.emplace_back();
    m_localNameStart.push_back(0);
    m_namespaceUris.emplace_back();
}

// Element and attribute names repeat all through a file, and a file uses few of them: most
// are found by a glance at the one remembered for their slot, without hashing.
XmlTree::Index XmlTree::internName(QByteArrayView utf8)
{
    Index &recent = m_recentNames[recentNameSlot(utf8)];
    if (m_nameBytes[recent] == utf8)
        return recent;
    const auto found = m_nameIndex.constFind(rawKey(utf8));
    if (found != m_nameIndex.cend()) {
        recent = found.value();
        return recent;
    }
    const Index index = checkedSize(m_names.size());
    recent = index;
    QString name = QString::fromUtf8(utf8);
    const qsizetype colon = name.indexOf(u':');
    m_localNameStart.push_back(colon + 1);
    m_names.push_back(std::move(name));
    m_nameBytes.push_back(utf8.toByteArray());
    m_nameIndex.insert(m_nameBytes.back(), index);
    return index;
}

XmlTree::Index XmlTree::internNamespaceUri(QByteArrayView utf8)
{
    if (utf8.isEmpty())
        return 0;
    const auto found = m_namespaceUriIndex.constFind(rawKey(utf8));
    if (found != m_namespaceUriIndex.cend())
        return found.value();
    const Index index = checkedSize(m_namespaceUris.size());
    m_namespaceUris.push_back(QString::fromUtf8(utf8));
    m_namespaceUriIndex.insert(utf8.toByteArray(), index);
    return index;
}

XmlTree::Index XmlTree::addElement(Index name, Index namespaceUri, Index line)
{
    const Index index = checkedSize(m_nodes.size());
    m_nodes.push_back(Node { XmlNodeKind::Element, name, namespaceUri, line, 0, 0,
        checkedSize(m_attributes.size()), 0 });
    return index;
}

void XmlTree::addAttribute(Index element, Index name, QByteArrayView value)
{
    const Index start = appendText(value);
    m_attributes.push_back(Attribute { name, start, static_cast<Index>(value.size()) });
    ++m_nodes[element].attributeCount;
}

XmlTree::Index XmlTree::addText(XmlNodeKind kind, Index name, QByteArrayView text, Index line)
{
    const Index index = checkedSize(m_nodes.size());
    const Index start = appendText(text);
    m_nodes.push_back(Node { kind, name, 0, line, start, static_cast<Index>(text.size()), 0, 0 });
    return index;
}

void XmlTree::setChildren(Index element, const std::vector<Index> &childSlots, std::size_t from)
{
    Node &node = m_nodes[element];
    node.first = checkedSize(m_childSlots.size());
    node.count = checkedSize(childSlots.size() - from);
    for (auto slot = childSlots.begin() + from; slot != childSlots.end(); ++slot)
        m_childSlots.push_back(*slot);
}

XmlTree::Index XmlTree::appendText(QByteArrayView text)
{
    const Index start = checkedSize(m_text.size() + text.size());
    m_text.append(text);
    return start - static_cast<Index>(text.size());
}

std::size_t XmlTree::recentNameSlot(QByteArrayView utf8)
{
    if (utf8.isEmpty())
        return 0;
    const auto first = static_cast<unsigned char>(utf8.front());
    const auto last = static_cast<unsigned char>(utf8.back());
    return (std::size_t(utf8.size()) * 7 + first * 3 + last)
        % std::tuple_size_v<decltype(m_recentNames)>;
}

// Indexes are 32 bits wide to keep the records small; a file that outgrows them is refused
// rather than silently wrapped.
XmlTree::Index XmlTree::checkedSize(std::size_t size) const
{
    if (size > std::numeric_limits<Index>::max())
        throw KalidorError(QStringLiteral("The XML document is too large to be held in memory."));
    return static_cast<Index>(size);
}
