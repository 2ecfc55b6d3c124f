#pragma once

#include "specialcolorrecord.h"

#include <QStringList>

class LoopObserver;

// The record loop of a conversion: one record per used row of `tableLines` (line 0 is never
// used), appended to the observer's output as soon as it is built, with about twenty progress
// updates and one yield per line. The host shows and hides the progress indicator around it.
// A used row with fewer than four fields throws ListIndexError; the records of the rows before
// it have already been appended.
void BuildSpecialColors(const QStringList &tableLines, RecordForm form, LoopObserver &observer);
