#pragma once

#include <QByteArrayView>

// Reads `input` as a CxF3 file with the one-pass reader, twice over one document, and holds
// it to the reader's rules run over the whole tree; then holds the records that the converter
// and the window make while the file is read to those of the table held whole. A difference
// aborts with the invariant it breaks (see FUZZ_CHECK).
void compareCxf3Readings(QByteArrayView input);
