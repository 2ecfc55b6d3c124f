#include "colourrows.h"

#include "colourtable.h"

ColourRows::ColourRows(const QStringList &lines, RowSelection selection)
    : m_lines(&lines)
    , m_selection(selection)
    , m_header(ColourTable::headerLine())
{
    if (selection == RowSelection::AllColours)
        m_headerIndex = findLine(lines, m_header);
}

ColourRows::ColourRows(RowSelection selection)
    : m_selection(selection)
    , m_header(ColourTable::headerLine())
    , m_headerIndex(0)
{
}

bool ColourRows::contains(qsizetype index, const QString &line) const
{
    if (index < 1)
        return false;
    if (ColourTable::isUsedRow(line))
        return true;
    // Lines above the header are a title or notes; a blank line or a repeated header is no
    // colour, and a short row below it fails the conversion instead of going missing.
    return m_selection == RowSelection::AllColours && m_headerIndex >= 0 && index > m_headerIndex
        && !line.trimmed().isEmpty() && !m_comparer.equal(line, m_header);
}
