#pragma once

#include "cxf3readoutcome.h"

class QString;

// The CxF3 reader's rules applied to the file's whole tree, lookup by lookup: the model that
// the one-pass reader is held to, for the same rows, widths, notes and failures.
Cxf3ReadOutcome readCxf3ByTree(const QString &path);
