#pragma once

#include "database/databasewriter.h"
#include "database/recordwarnings.h"
#include "database/specialcolorrecord.h"
#include "table/numberedlines.h"
#include "table/opencolourtable.h"
#include "table/textencoding.h"

#include <QList>

#include <optional>

class LoopObserver;
class XmlDocument;

// The records of an opened table's used rows, made before they were asked for, in `form` and
// encoded and checked for a file written in `encoding`: what BuildSpecialColors, encodeLines and
// checkRecords would give for them.
struct RecordsInAdvance {
    RecordForm form = RecordForm::Csv;
    TextEncoding encoding = TextEncoding::DefaultCodePage;
    NumberedLines records;
    EncodedLines encoded;
    QList<RecordWarning> warnings;
};

struct OpenedTableWithRecords {
    OpenedTable table;
    // Made only for a CxF3 file, whose scan leaves the second core idle, and only when every
    // used row makes a record.
    std::optional<RecordsInAdvance> records;
};

// openColourTable as the window opens a table, which also makes the records of a CxF3 file's
// used rows on the thread that classified the file, while the file is scanned, for the
// conversion that the operator is expected to start next.
OpenedTableWithRecords openColourTableWithRecords(const QString &path, XmlDocument &document,
    LoopObserver &observer, RecordForm form, TextEncoding encoding);
