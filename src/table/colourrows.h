#pragma once

#include "linelist.h"

#include <QStringList>

// Which rows of a colour table make records.
enum class RowSelection {
    // From line 1 on, the rows whose name starts with KALIDOR.
    UsedRows,
    // Those, and every row below the first header line whatever its name, except blank
    // lines and repeated header lines: for libraries whose names do not start with KALIDOR.
    // A CxF3 table's header is its first line, so there every row the reader made counts.
    AllColours,
};

// Tells which lines of one colour table are its colour rows.
class ColourRows {
public:
    // `lines` must outlive this object.
    ColourRows(const QStringList &lines, RowSelection selection);
    // For the rows of a CxF3 table as they come, one at a time: its header is its first line.
    explicit ColourRows(RowSelection selection);

    bool contains(qsizetype index) const
    {
        return index >= 1 && contains(index, m_lines->at(index));
    }
    // Whether `line`, the line `index` of the table, is a colour row.
    bool contains(qsizetype index, const QString &line) const;

private:
    const QStringList *m_lines = nullptr;
    const RowSelection m_selection;
    const LineComparer m_comparer;
    const QString m_header;
    qsizetype m_headerIndex = -1;
};
