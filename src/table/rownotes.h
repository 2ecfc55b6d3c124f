#pragma once

#include <QHash>
#include <QString>

// What a reader saw about rows of the colour table that their records should warn of, by the
// row's index in the table.
using RowNotes = QHash<qsizetype, QString>;
