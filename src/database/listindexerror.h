#pragma once

#include "table/kalidorerror.h"

#include <QString>

// Reading a field that a used row does not have. A host may tell it apart from the other
// errors of the core: it stops a conversion rather than a file operation.
class ListIndexError : public KalidorError {
public:
    // `index` is the position of the first missing field, which is the number of fields the
    // row has.
    explicit ListIndexError(qsizetype index)
        : KalidorError(QStringLiteral("List index out of bounds (%1)").arg(index))
        , m_index(index)
    {
    }

    qsizetype index() const noexcept { return m_index; }

private:
    qsizetype m_index;
};
