#pragma once

#include "base/kalidorerror.h"

#include <QString>

// Reading a field that a used row does not have. A host may tell it apart from the other
// errors of the core: it stops a conversion rather than a file operation.
class ListIndexError : public KalidorError {
public:
    // `index` is the position of the first missing field, which is the number of fields the
    // row has; `row` is the row's index in the colour table and `fileLine` its line in the
    // input file. The text names the field's index alone, whoever reports it.
    explicit ListIndexError(qsizetype index, qsizetype row = -1, qint64 fileLine = 0)
        : KalidorError(QStringLiteral("List index out of bounds (%1)").arg(index))
        , m_index(index)
        , m_row(row)
        , m_fileLine(fileLine)
    {
    }

    qsizetype index() const noexcept { return m_index; }
    qsizetype row() const noexcept { return m_row; }
    qint64 fileLine() const noexcept { return m_fileLine; }

private:
    qsizetype m_index;
    qsizetype m_row;
    qint64 m_fileLine;
};
