#include "xmlnode.h"

#include "table/namespaceuri.h"
#include "xmltree.h"

XmlNode::XmlNode(const XmlTree *tree, std::uint32_t index)
    : m_tree(tree)
    , m_index(index)
{
}

XmlNodeKind XmlNode::kind() const
{
    return m_tree ? m_tree->node(m_index).kind : XmlNodeKind::Element;
}

QString XmlNode::name() const
{
    return m_tree ? m_tree->name(m_tree->node(m_index).name) : QString();
}

QString XmlNode::localName() const
{
    return m_tree ? m_tree->localName(m_tree->node(m_index).name).toString() : QString();
}

QString XmlNode::namespaceUri() const
{
    return m_tree ? m_tree->namespaceUri(m_tree->node(m_index).namespaceUri) : QString();
}

int XmlNode::line() const
{
    return m_tree ? static_cast<int>(m_tree->node(m_index).line) : 0;
}

int XmlNode::childCount() const
{
    if (!m_tree || !isElement())
        return 0;
    return static_cast<int>(m_tree->node(m_index).count);
}

XmlNode XmlNode::child(int index) const
{
    return XmlNode(
        m_tree, m_tree->child(m_tree->node(m_index), static_cast<XmlTree::Index>(index)));
}

int XmlNode::attributeCount() const
{
    return m_tree ? static_cast<int>(m_tree->node(m_index).attributeCount) : 0;
}

QString XmlNode::attributeName(int index) const
{
    const auto &attribute = m_tree->attribute(m_tree->node(m_index), index);
    return m_tree->name(attribute.name);
}

QString XmlNode::attributeValue(int index) const
{
    const auto &attribute = m_tree->attribute(m_tree->node(m_index), index);
    return QString::fromUtf8(m_tree->text(attribute.valueStart, attribute.valueLength));
}

bool XmlNode::hasAttribute(QStringView name) const
{
    const int count = attributeCount();
    for (int i = 0; i < count; ++i) {
        if (m_tree->name(m_tree->attribute(m_tree->node(m_index), i).name) == name)
            return true;
    }
    return false;
}

QString XmlNode::attribute(QStringView name) const
{
    const int count = attributeCount();
    for (int i = 0; i < count; ++i) {
        if (m_tree->name(m_tree->attribute(m_tree->node(m_index), i).name) == name)
            return attributeValue(i);
    }
    return QString();
}

QString XmlNode::text() const
{
    if (isElement())
        return QString();
    const auto &node = m_tree->node(m_index);
    return QString::fromUtf8(m_tree->text(node.first, node.count));
}

bool XmlNode::findChildElement(QStringView name, XmlNode &found) const
{
    if (!m_tree || !isElement())
        return false;
    const auto &parent = m_tree->node(m_index);
    const QString &uri = m_tree->namespaceUri(parent.namespaceUri);
    for (XmlTree::Index i = 0; i < parent.count; ++i) {
        const XmlTree::Index index = m_tree->child(parent, i);
        const auto &candidate = m_tree->node(index);
        if (candidate.kind != XmlNodeKind::Element)
            continue;
        if (!uri.isEmpty() && candidate.namespaceUri != parent.namespaceUri
            && !NamespaceUri::same(uri, m_tree->namespaceUri(candidate.namespaceUri)))
            continue;
        if (m_tree->name(candidate.name) == name || m_tree->localName(candidate.name) == name) {
            found = XmlNode(m_tree, index);
            return true;
        }
    }
    return false;
}

XmlNode XmlNode::childElement(QStringView name) const
{
    XmlNode found;
    findChildElement(name, found);
    return found;
}

XmlNode::Value XmlNode::value(QStringView name) const
{
    XmlNode element;
    if (!findChildElement(name, element))
        return { QString(), ValueProblem::Missing };
    const int count = element.childCount();
    if (count == 0)
        return { QString(), ValueProblem::Empty };
    if (count > 1)
        return { QString(), ValueProblem::SeveralNodes };
    const XmlNode only = element.child(0);
    if (only.kind() != XmlNodeKind::Text && only.kind() != XmlNodeKind::CData)
        return { QString(), ValueProblem::NotText };
    QString text = only.text();
    if (text.isEmpty())
        return { QString(), ValueProblem::Empty };
    return { std::move(text), ValueProblem::None };
}
