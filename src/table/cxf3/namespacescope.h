#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstddef>
#include <vector>

// The xmlns declarations in scope while a document is read in plain (not namespace) mode:
// Expat's namespace mode rejects a prefix that nothing binds, while such a document is still
// to be read by its element names. A prefix is the part of a name before its first colon.
class NamespaceScope {
public:
    // A declaration in scope; noBinding for a name that none applies to.
    using Binding = std::ptrdiff_t;
    static constexpr Binding noBinding = -1;

    // Where the scope stands, for restore().
    std::size_t mark() const { return m_bindings.size(); }
    // Adds the xmlns and xmlns:prefix declarations among an element's attributes, given as
    // Expat gives them: name, value, ..., null.
    void declare(const char **attributes);
    // Drops the declarations added since `mark`, as the element that made them ends.
    void restore(std::size_t mark) { m_bindings.resize(mark); }

    // The nearest declaration of the prefix of `elementName`, or of no prefix.
    Binding bindingOf(const char *elementName) const;
    // The URI that `binding` declares; empty for noBinding.
    QByteArrayView uri(Binding binding) const
    {
        return binding == noBinding ? QByteArrayView() : QByteArrayView(m_bindings[binding].uri);
    }

private:
    struct Declaration {
        QByteArray attributeName; // "xmlns" or "xmlns:prefix"
        QByteArray uri;
    };

    std::vector<Declaration> m_bindings;
};
