#pragma once

#include "specialcolorrecord.h"
#include "table/colourrows.h"
#include "table/numberedlines.h"

class LoopObserver;

// The record loop of a conversion: one record per colour row of `table` as `rows` selects them
// (line 0 is never one), appended to the observer's output as soon as it is built, with about
// twenty progress updates and one yield per line. The host shows and hides the progress
// indicator around it. Returns the records, each numbered with its row's line of the input file.
// A colour row with fewer than four fields throws ListIndexError naming the row; the records of
// the rows before it have already been appended.
// `madeBeforehand`, when given, holds the records of the first colour rows, made beforehand in
// `form`; they are taken as they are, and only the rows after them are built.
NumberedLines BuildSpecialColors(const NumberedLines &table, RecordForm form,
    LoopObserver &observer, RowSelection rows = RowSelection::UsedRows,
    const QStringList *madeBeforehand = nullptr);
