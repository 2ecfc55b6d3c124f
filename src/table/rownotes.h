#pragma once

#include <QHash>
#include <QString>

// What a reader saw about rows of the colour table that their records should warn of, by the
// row's index in the table.
using RowNotes = QHash<qsizetype, QString>;

// The row of a CxF3 table whose object holds the file's first colour object inside it, which
// is passed over, and what its record should warn of.
struct NestedObjectNote {
    qsizetype row = 0; // in the table
    QString text;
};
