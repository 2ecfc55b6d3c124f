#pragma once

#include <QChar>
#include <QString>
#include <QStringList>
#include <QStringView>

// The two shapes of a special-colour record that the Delvane RIP reads.
enum class RecordForm {
    Csv, // name,L*,a*,b*
    Legacy, // SPOTCOLOR_NAME:name; D50_LAB:L*,a*,b* (RIP version 7.1 and below)
};

// The literal parts of a record, written here and read back by labOfRecord.
namespace RecordText {

inline constexpr QStringView legacyNameTag = u"SPOTCOLOR_NAME:";
inline constexpr QStringView legacyLabTag = u"; D50_LAB:";
// Between the fields of a CSV record and between the values of a legacy one.
inline constexpr QChar separator = u',';

} // namespace RecordText

// One record from the fields of a used row: the first four fields, copied unchanged (no
// trimming, quoting or number parsing); further fields are ignored.
// Throws ListIndexError for the first of the four fields that the row does not have.
QString specialColorRecord(const QStringList &fields, RecordForm form);
