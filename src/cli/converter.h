#pragma once

#include "database/recordoutcome.h"
#include "database/recordwarning.h"
#include "database/specialcolorrecord.h"
#include "exitstatus.h"
#include "outcomespool.h"
#include "table/colourrows.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>

class QIODevice;

// One conversion as the command line asks for it.
struct ConversionRequest {
    QString input;
    // A path, or "-" for standard output.
    QString output;
    RecordForm form = RecordForm::Csv;
    bool append = false;
    // With `append`: records of names the output holds replace their first records.
    bool replace = false;
    // Also a CxF3 file whose root start tag is laid out otherwise than the line rule wants.
    bool anyCxf3 = false;
    RowSelection rows = RowSelection::UsedRows;
    // Any warning fails the conversion, and nothing is written; with `replace`, but for the
    // warnings of names the output holds, which are what it asks for.
    bool strict = false;
    // Keeps what became of each record for ConversionResult::outcomes.
    bool keepOutcomes = false;
    // The report to write, its links followed (see reportTarget); empty for none. It is
    // written beside its name before the records are committed, and named after them.
    QString report {};
    // A CxF3 file's records give CIELAB for D50 with the 2° observer (see Cxf3Values::D50).
    bool d50 = false;
    // Told at once what the save of the output waits for, and what it found beside the file
    // (see SaveOptions::tell).
    std::function<void(const QString &)> saveNotes {};
};

// How a conversion ended. On failure `message` names the file and the reason; nothing has
// been written then, and an existing output file is as it was.
struct ConversionResult {
    ExitStatus status = ExitStatus::Done;
    QString message;
    // Lines of the colour table, as a text table holds them or as the CxF3 reader made them.
    qsizetype tableLines = 0;
    qsizetype records = 0;
    // Of the records: those that replaced held ones, and those equal to them.
    qsizetype replaced = 0;
    qsizetype unchanged = 0;
    // On success, what the operator should still know: a copy of the output's old content
    // that could not be removed. Usually empty.
    QString note;
    // What the records built may not mean in the RIP, in the order of the rows.
    QList<RecordWarning> warnings;
    // With `keepOutcomes` or a report, once the records are made: what became of each.
    std::unique_ptr<OutcomeSpool> outcomes;
    // Why the report of a failed run could not be written too; usually empty.
    QString reportFailure;
};

// Opens, classifies, converts and saves with the window's own rules, without the window.
class Converter {
public:
    // "-" as output writes the records to `standardOutput`, which must be open for writing.
    explicit Converter(QIODevice &standardOutput);

    ConversionResult run(const ConversionRequest &request) const;

private:
    QIODevice &m_standardOutput;
};
