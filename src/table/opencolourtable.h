#pragma once

#include "table/numberedlines.h"

#include <QString>

class LoopObserver;
class XmlDocument;

// What opening a colour table file gave.
struct OpenedTable {
    enum class Kind {
        TextTable,
        Cxf3,
        // Not an error: the path names no regular file, or the file matches neither test.
        NotRecognised,
    };

    Kind kind = Kind::NotRecognised;
    // The table's lines: a text table's own lines, or the header line and the rows of a
    // CxF3 file.
    NumberedLines lines;
    // When not recognised: the path and why, for a host that tells it.
    QString notRecognisedReason;
};

// Opens a colour table as every host does. A path that names no regular file is not
// recognised. Otherwise the indicator is shown, the file is classified, and then a text
// table's lines are loaded (the host shows them), or the CxF3 file is read through
// `document`, its rows going to `observer` as they are made, with the reader's progress.
// Throws KalidorError when the file cannot be read, or the CxF3 reader fails.
OpenedTable openColourTable(const QString &path, XmlDocument &document, LoopObserver &observer);
