#pragma once

#include "base/textencoding.h"
#include "database/databasewriter.h"
#include "database/recordoutcome.h"
#include "database/recordwarnings.h"
#include "database/saveoptions.h"
#include "database/specialcolorrecord.h"
#include "table/colourrows.h"
#include "table/cxf3/cxf3values.h"
#include "table/numberedlines.h"
#include "table/opencolourtable.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <future>
#include <memory>
#include <optional>

class DatabaseSave;
class HeldRecords;
class LoopObserver;
class RecordAssembly;
class XmlDocument;

// One conversion of a colour table file into special-colour records, from the path to the
// saved bytes, as both hosts make it: the file opened (classified and read, with its threads),
// the records of its colour rows in a form, their warnings for the encoding of the file they
// go to, and the save. The hosts only present what it did. Which thread does what is drawn at
// the top of conversion.cpp.
class Conversion {
public:
    // How the records are made.
    enum class Records {
        // The table is held whole for the host to show, and the records are made from it by
        // makeRecords. A CxF3 file's records in the form of the options are made while it is
        // opened, for the conversion the host is expected to start next.
        FromHeldTable,
        // The records are made, encoded in the encoding of the options and checked while the
        // file is read; no row is kept, and the table holds a CxF3 file's header line alone.
        WhileReading,
    };

    struct Options {
        Records records = Records::FromHeldTable;
        RecordForm form = RecordForm::Csv;
        RowSelection rows = RowSelection::UsedRows;
        Cxf3Recognition recognition = Cxf3Recognition::RootLine;
        // WhileReading: the encoding the records are made in when they go elsewhere than to a
        // database file.
        TextEncoding encoding = TextEncoding::DefaultCodePage;
        // WhileReading: the database the records go to, opened before the file is, since the
        // records are encoded in its encoding as they are made; empty when they go elsewhere.
        QString output {};
        bool append = false;
        // With `append`: a record of a name the output holds takes the place of the first
        // record of that name, unless it is written the same (see HeldReplacements).
        bool replace = false;
        // WhileReading: takes what became of each record as it is made; it must outlive the
        // conversion.
        RecordOutcomes *outcomes = nullptr;
        // WhileReading: the L, A and B values a CxF3 file's records give.
        Cxf3Values values = Cxf3Values::AsGiven;
        // WhileReading: how the save of the output meets another run, from the open on.
        SaveOptions save {};
    };

    // Opens `path` as openColourTable does, through `document` and `observer`. Throws
    // KalidorError when the file cannot be read or the CxF3 reader fails; WhileReading, throws
    // ListIndexError naming the first colour row that makes no record.
    Conversion(
        const QString &path, XmlDocument &document, LoopObserver &observer, const Options &options);
    ~Conversion();
    Conversion(const Conversion &) = delete;
    Conversion &operator=(const Conversion &) = delete;

    const OpenedTable &table() const { return m_table; }
    // The lines of the table the reader made, also of one whose rows were not kept.
    qsizetype tableLines() const { return m_tableLines; }

    // FromHeldTable: whether the records in `form` were made while the table was opened.
    bool madeRecordsInAdvance(RecordForm form) const
    {
        return m_recordsInAdvance && m_formInAdvance == form;
    }
    // FromHeldTable: the record loop, one record per used row of the table in `form` (see
    // BuildSpecialColors); meanwhile the records are checked on a second core for the file the
    // host expects them to be saved to, `expectedPath` with `append`. Throws ListIndexError
    // naming the row that makes no record.
    NumberedLines makeRecords(
        RecordForm form, const QString &expectedPath, bool append, LoopObserver &observer);
    // The warnings of the records made, for a file written in `encoding`: the check made beside
    // them, or a check for another encoding of a held table. WhileReading, appended to an
    // output that holds records, they include the names it holds already.
    QList<RecordWarning> warnings(TextEncoding encoding);
    // FromHeldTable: saves `records`, the records as the host holds them by now, to `path` (see
    // DatabaseSave), while the records are checked for the encoding the file is written in and,
    // when appending, against the names the file holds already. `warnings` receives the
    // warnings also when the save fails, so that they stand then too; another run saving to
    // the file is waited for up to `rivalWait`. Returns the notes for the operator, one a
    // line: what the save found beside the file and did, and the commit's note.
    QString save(const QString &path, const QStringList &records, bool append,
        QList<RecordWarning> &warnings, std::chrono::milliseconds rivalWait = {});

    // WhileReading: the encoding the records are made in.
    TextEncoding encoding() const;
    // WhileReading: how many records were made, added or not.
    qsizetype records() const;
    // WhileReading with `replace`, how many records replaced held ones, and how many left
    // them as they were; 0 otherwise.
    qsizetype replacedRecords() const;
    qsizetype unchangedRecords() const;
    // WhileReading: the records made that are added, encoded; once.
    EncodedLines takeEncodedRecords();
    // WhileReading: saves the records made to the output of the options (see DatabaseSave);
    // once, instead of takeEncodedRecords.
    QString save();

private:
    void openWhileReading(
        const QString &path, XmlDocument &document, LoopObserver &observer, const Options &options);
    void openHeld(
        const QString &path, XmlDocument &document, LoopObserver &observer, const Options &options);
    // Starts the check of the records made for a file in `encoding` that holds the records
    // `held` (if any; they must outlive the check), beside whatever comes next, unless it is
    // made or under way.
    void checkFor(TextEncoding encoding, const HeldRecords *held = nullptr);
    // Waits for the check started last.
    QList<RecordWarning> checkedWarnings();

    OpenedTable m_table;
    qsizetype m_tableLines = 0;

    // FromHeldTable: the records made while the table was opened, and their form.
    std::optional<NumberedLines> m_recordsInAdvance;
    RecordForm m_formInAdvance = RecordForm::Csv;
    // FromHeldTable: the form of the records made last, and their check.
    RecordForm m_form = RecordForm::Csv;
    TextEncoding m_checkedEncoding = TextEncoding::DefaultCodePage;
    bool m_checkedAgainstHeld = false;
    std::future<QList<RecordWarning>> m_check;
    std::optional<QList<RecordWarning>> m_warnings;

    // WhileReading.
    std::unique_ptr<DatabaseSave> m_output;
    std::unique_ptr<RecordAssembly> m_assembly;
};
