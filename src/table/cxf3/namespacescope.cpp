#include "namespacescope.h"

#include <cstring>

void NamespaceScope::declare(const char **attributes)
{
    for (const char **attribute = attributes; *attribute; attribute += 2) {
        const char *name = attribute[0];
        if (std::strncmp(name, "xmlns", 5) == 0 && (name[5] == '\0' || name[5] == ':'))
            m_bindings.push_back(Declaration { QByteArray(name), QByteArray(attribute[1]) });
    }
}

NamespaceScope::Binding NamespaceScope::bindingOf(const char *elementName) const
{
    const char *colon = std::strchr(elementName, ':');
    const std::size_t prefixLength = colon ? std::size_t(colon - elementName) : 0;
    for (auto binding = m_bindings.rbegin(); binding != m_bindings.rend(); ++binding) {
        const QByteArray &declared = binding->attributeName;
        const bool declares = colon ? std::size_t(declared.size()) == 6 + prefixLength
                && std::memcmp(declared.constData() + 6, elementName, prefixLength) == 0
                                    : declared.size() == 5;
        if (declares)
            return Binding(m_bindings.rend() - binding) - 1;
    }
    return noBinding;
}
