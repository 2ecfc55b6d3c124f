#pragma once

#include <QString>

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
};
