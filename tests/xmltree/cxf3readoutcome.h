#pragma once

#include "table/rownotes.h"

#include <QString>
#include <QStringList>

#include <optional>

// A read of a CxF3 file as one value to compare: the rows, each after its file line, and the
// widths the indicator was set to, in order; the rows' notes; or the failure's text.
struct Cxf3ReadOutcome {
    QStringList events;
    RowNotes notes;
    std::optional<QString> error;

    bool operator==(const Cxf3ReadOutcome &) const = default;

    // A row as `events` holds it.
    static QString numbered(const QString &row, qint64 fileLine)
    {
        return QString::number(fileLine) + u' ' + row;
    }
};
