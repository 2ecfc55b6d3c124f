#pragma once

#include "database/specialcolorrecord.h"
#include "table/numberedlines.h"
#include "table/opencolourtable.h"

#include <optional>

class LoopObserver;
class XmlDocument;

// The records of an opened table's used rows in `form`, made before they were asked for: what
// BuildSpecialColors would build of them, each numbered with its row's file line.
struct RecordsInAdvance {
    RecordForm form = RecordForm::Csv;
    NumberedLines records;
};

struct OpenedTableWithRecords {
    OpenedTable table;
    // Made only for a CxF3 file, whose scan leaves the second core idle once the file is
    // classified, and only when every used row makes a record.
    std::optional<RecordsInAdvance> records;
};

// openColourTable as the window opens a table, which also builds the records of a CxF3 file's
// used rows in `form`, on the thread that classified the file, while the file is scanned: the
// conversion that the operator is expected to start next then takes them as they are.
OpenedTableWithRecords openColourTableWithRecords(
    const QString &path, XmlDocument &document, LoopObserver &observer, RecordForm form);
