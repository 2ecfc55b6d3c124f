#pragma once

#include "colorimetry/cielab.h"

#include <QString>
#include <QStringView>

#include <optional>

// The values of a record's value list, "L*,a*,b*", when it holds three plain decimal numbers.
std::optional<LabValues> labOfValueList(QStringView values);

// The values of a used row of the colour table (fields 2 to 4), when all three are plain
// decimal numbers.
std::optional<LabValues> labOfRow(const QString &line);

// The values of a special-colour record in either form, read back as the RIP would split it:
// nothing when the record does not split into exactly a name and three plain decimal numbers
// (a CSV name with a comma, a decimal comma), since then its colour is not what the row meant.
std::optional<LabValues> labOfRecord(QStringView record);
