#pragma once

// What a colour table file is, as the rules that classify it find.
enum class TableKind {
    // A tab-separated colour table: the header line stands on some line.
    TextTable,
    // A CxF3 document.
    Cxf3,
    // Not an error: the path names no regular file, or the file matches neither test.
    NotRecognised,
};
