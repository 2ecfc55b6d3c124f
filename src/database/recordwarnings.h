#pragma once

#include "base/textencoding.h"
#include "kepttexts.h"
#include "recordloop.h"
#include "recordwarning.h"
#include "specialcolorrecord.h"
#include "table/colourrows.h"
#include "table/numberedlines.h"
#include "table/rownotes.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <future>
#include <utility>
#include <vector>

class HeldRecords;

// `text` as it reads back from a file written in `encoding`: the name a record is written with.
QString asWritten(const QString &text, TextEncoding encoding);

// The checks of checkRecords a row at a time.
class RecordChecker {
public:
    // Whether each row checked stays where it is until the checker is done; if not, the
    // checker keeps what it needs of the row (its name and line), and noteRecord may be used.
    enum class Rows { Held, LetGo };

    // `rows`: about how many rows will be checked. `held`: the records of the database that
    // the records are appended to, if it holds any; it must outlive the checker.
    RecordChecker(RecordForm form, TextEncoding encoding, Rows rowsAre, qsizetype rows = 0,
        const HeldRecords *held = nullptr);

    // Checks the record of a colour row that has at least four fields, with its note.
    void checkRow(const ColourRow &row);
    // What the reader saw about the row of the record `record` (counting the rows checked from
    // 0) once that row was checked and let go; the warning takes its place among that row's.
    void noteRecord(
        qsizetype record, const QString &note, WarningKind kind = WarningKind::Conditions);
    QList<RecordWarning> takeWarnings();

private:
    void warn(WarningKind kind, const QString &what);
    // `key` holds the name as the table gives it, for as long as the checker runs. Returns the
    // name as written, valid as long as `key`.
    QStringView checkName(const QString &name, QStringView key);
    void checkHeldName(QStringView writtenName, const QStringList &fields);
    void checkEmptyValue(QStringView row);
    void checkValues(const QStringList &fields);

    RecordForm m_form;
    TextEncoding m_encoding;
    Rows m_rowsAre;
    const HeldRecords *m_held;
    RecordWarning m_row;
    qsizetype m_records = 0;
    QHash<QStringView, qint64> m_firstLineOfName;
    // The names that the views above and below look into, when the table does not hold them:
    // the names of rows let go, and names as the encoding changed them.
    KeptTexts m_keptNames;
    // Of rows let go, by record: their names and lines.
    std::vector<QStringView> m_names;
    std::vector<qint64> m_fileLines;
    QList<RecordWarning> m_warnings;
    struct LateNote {
        qsizetype record;
        QString note;
        WarningKind kind;
    };
    std::vector<LateNote> m_lateNotes;
};

// Checks the records that BuildSpecialColors makes of the `rows` of `table` in `form`, for a
// file written in `encoding`: characters the encoding cannot hold, names that are the same once
// written, a CSV name holding a comma or a double quote, values that are not plain decimal
// numbers, values that no surface colour has, what the reader noted about a row (`notes`, and
// `nested`, the row whose object holds another), and names that the database appended to
// already holds (`held`, if it holds records).
// Rows are read as the builder reads them; a row too short to make a record is left out. The
// warnings come in the order of the rows.
QList<RecordWarning> checkRecords(const NumberedLines &table, RecordForm form,
    TextEncoding encoding, const RowNotes &notes = {}, RowSelection rows = RowSelection::UsedRows,
    const HeldRecords *held = nullptr, const std::optional<NestedObjectNote> &nested = {});

// checkRecords on a thread of its own, so that the records can be built or saved meanwhile:
// the check reads the table, not the records. `table`, `notes` and `held` must outlive the
// result.
std::future<QList<RecordWarning>> checkRecordsAside(const NumberedLines &table, RecordForm form,
    TextEncoding encoding, const RowNotes &notes = {}, RowSelection rows = RowSelection::UsedRows,
    const HeldRecords *held = nullptr, const std::optional<NestedObjectNote> &nested = {});
