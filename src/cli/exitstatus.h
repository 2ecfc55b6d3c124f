#pragma once

// The converter's exit statuses, which scripts and hot-folder tools test.
enum class ExitStatus {
    Done = 0,
    WrongUsage = 1,
    InputUnreadable = 2, // cannot be opened or decoded, or a CxF3 file the reader rejects
    InputNotRecognised = 3, // neither a text colour table nor a CxF3 file
    RowNotConvertible = 4, // a used row is too short to make a record
    OutputUnwritable = 5, // including an existing file that appending would damage
    RecordsWarned = 6, // --strict, and a record has a warning
    ReportUnnamed = 7, // the records were written, but the report could not take its name
};
