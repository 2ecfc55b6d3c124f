#include "labvalues.h"

#include "specialcolorrecord.h"
#include "table/colourtable.h"
#include "table/splittabfields.h"

#include <QStringList>

std::optional<LabValues> labOfValueList(QStringView values)
{
    const QList<QStringView> parts = values.split(RecordText::separator);
    if (parts.size() != 3)
        return std::nullopt;
    return labOf(parts.at(0), parts.at(1), parts.at(2));
}

std::optional<LabValues> labOfRow(const QString &line)
{
    if (!ColourTable::isUsedRow(line))
        return std::nullopt;
    QStringList fields;
    SplitTabFields(line, fields);
    if (fields.size() < 4)
        return std::nullopt;
    return labOf(fields.at(1), fields.at(2), fields.at(3));
}

std::optional<LabValues> labOfRecord(QStringView record)
{
    using namespace RecordText;
    if (record.startsWith(legacyNameTag)) {
        const qsizetype values = record.lastIndexOf(legacyLabTag);
        if (values < 0)
            return std::nullopt;
        return labOfValueList(record.sliced(values + legacyLabTag.size()));
    }
    const QList<QStringView> parts = record.split(separator);
    if (parts.size() != 4)
        return std::nullopt;
    return labOf(parts.at(1), parts.at(2), parts.at(3));
}
