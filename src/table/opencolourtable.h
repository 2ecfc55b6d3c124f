#pragma once

#include "table/numberedlines.h"
#include "table/rownotes.h"
#include "table/tablekind.h"

#include <QString>

#include <optional>

class LoopObserver;
class ScannedRowsConsumer;
class XmlDocument;

// Which files are read as CxF3 files.
enum class Cxf3Recognition {
    // Those holding the root line: the root start tag alone with its namespace declaration on a
    // line after the first.
    RootLine,
    // Also any file whose root element is CxF in the CxF3 namespace, however it is laid out.
    AnyRootElement,
};

// What opening a colour table file gave.
struct OpenedTable {
    TableKind kind = TableKind::NotRecognised;
    // The table's lines: a text table's own lines, or the header line and the rows of a
    // CxF3 file.
    NumberedLines lines;
    // What the CxF3 reader saw about rows that their records should warn of.
    RowNotes rowNotes;
    // Of a CxF3 file: the row whose object holds the first colour object inside another.
    std::optional<NestedObjectNote> nestedObject;
    // When not recognised: the path and why, for a host that tells it. A root element that
    // comes near CxF3's says where and what differs.
    QString notRecognisedReason;
    // When not recognised: the root element is CxF3's, so AnyRootElement would read the file.
    bool isCxf3ByRootElement = false;
};

// Opens a colour table as every host does. A path that names no regular file is not
// recognised. Otherwise the indicator is shown, the file is classified, and then a text
// table's lines are loaded (the host shows them), or the CxF3 file is read through
// `document`, its rows going to `observer` as they are made, with the reader's progress.
// Throws KalidorError when the file cannot be read, or the CxF3 reader fails.
// With `consumer`, a CxF3 file's rows go to it instead, on the calling thread while the file
// is scanned, once the file is known not to be a text table; the table then holds its header
// line alone, and no row notes, unless the consumer asks it to keep its rows. What the
// consumer made counts only when the table's kind is Cxf3: the scan may fail later in the
// file. A consumer of D50 values (see ScannedRowsConsumer::values) may take the rows twice,
// restarted in between, when the file's measuring conditions change them; an object whose D50
// values cannot be made is the opening's failure.
OpenedTable openColourTable(const QString &path, XmlDocument &document, LoopObserver &observer,
    Cxf3Recognition recognition = Cxf3Recognition::RootLine,
    ScannedRowsConsumer *consumer = nullptr);
