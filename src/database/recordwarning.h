#pragma once

#include <QString>

// What a warning is about, named in reports by warningKindName.
enum class WarningKind {
    Encoding, // the file's encoding cannot hold a character of the name
    Duplicate, // another record has the same name as written
    Comma, // a CSV name holds a comma
    Quote, // a CSV name holds a double quote
    Empty, // a value is empty, so the values after it move up
    Value, // a value is not a plain decimal number
    Range, // a value that no surface colour has
    Conditions, // values measured under other conditions than D50 with 2 degrees
    Held, // the database appended to holds the name already
    Spectrum, // the Lab values given differ from those of the spectrum the record gives
    Control, // the name holds a control character
    Nested, // the colour object holds another, which is passed over
};

// A short identifier of `kind` that stays the same from version to version.
inline QString warningKindName(WarningKind kind)
{
    switch (kind) {
    case WarningKind::Encoding:
        return QStringLiteral("encoding");
    case WarningKind::Duplicate:
        return QStringLiteral("duplicate");
    case WarningKind::Comma:
        return QStringLiteral("comma");
    case WarningKind::Quote:
        return QStringLiteral("quote");
    case WarningKind::Empty:
        return QStringLiteral("empty");
    case WarningKind::Value:
        return QStringLiteral("value");
    case WarningKind::Range:
        return QStringLiteral("range");
    case WarningKind::Conditions:
        return QStringLiteral("conditions");
    case WarningKind::Held:
        return QStringLiteral("held");
    case WarningKind::Spectrum:
        return QStringLiteral("spectrum");
    case WarningKind::Control:
        return QStringLiteral("control");
    case WarningKind::Nested:
        return QStringLiteral("nested");
    }
    Q_UNREACHABLE();
}

// Something about a record that the RIP may not read as the operator meant, though the record
// is written as it stands: its name will not match the job's, or its values are no colour.
struct RecordWarning {
    // The line of the input file that the record's row comes from.
    qint64 fileLine = 0;
    // The record's place among the records built, counting from 0.
    qsizetype record = 0;
    // The colour name as the row gives it.
    QString name;
    QString what;
    WarningKind kind = WarningKind::Value;
};
