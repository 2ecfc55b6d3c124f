#include "specialcolorrecord.h"

#include "listindexerror.h"

#include <QStringBuilder>

QString specialColorRecord(const QStringList &fields, RecordForm form)
{
    constexpr qsizetype fieldCount = 4;
    // The fields are read in order, so the first missing one is at the row's field count.
    if (fields.size() < fieldCount)
        throw ListIndexError(fields.size());

    const QString &name = fields.at(0);
    const QString &lightness = fields.at(1);
    const QString &a = fields.at(2);
    const QString &b = fields.at(3);
    // Joined with QStringBuilder's %, which sizes the record once: a chain of + would hold a
    // temporary copy of the whole record per piece, several times the size of a huge field.
    using namespace RecordText;
    switch (form) {
    case RecordForm::Csv:
        return name % separator % lightness % separator % a % separator % b;
    case RecordForm::Legacy:
        return legacyNameTag % name % legacyLabTag % lightness % separator % a % separator % b;
    }
    Q_UNREACHABLE();
}
