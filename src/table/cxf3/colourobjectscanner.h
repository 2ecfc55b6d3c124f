#pragma once

#include "table/cxf3/colourobjects.h"
#include "table/cxf3/cxf3values.h"

#include <atomic>

class InputFile;
class QString;
class ScannedRows;

// Reads the CxF3 file `file` in one pass (see XmlFileReader, whose rules and failures
// apply) and gathers its colour objects as the reader's lookups find them: the first
// Resources in the root element, the first ObjectCollection in it, and in each colour object
// the first ColorValues, its first ColorCIELab and that one's first L, A and B. A child
// matches by its local name, letter case included, and by its namespace URI unless its
// parent has none (URIs compared with A to Z in either case). Only the elements on that path
// are held, and only while they are open. A colour object inside another is passed over; the
// first of the file is noted on the row of the one holding it (see ColourObjects::Row).
// In a row, each TAB, LF, CR, U+0085, U+2028 and U+2029 of the name and of the values becomes
// a space, so that a row is always one line of four fields.
// With `stopRequested`, the scan throws XmlReadStopped at its next chunk once it is set.
// With `handOn`, each row goes there as soon as it is made, and the result holds none.
// With D50 `values`, which need `handOn`, each colour object's first ReflectanceSpectrum and
// ColorCIEXYZ are taken as well, and the measuring conditions in full; an object needs only one
// of ColorCIELab, ReflectanceSpectrum and ColorCIEXYZ, and goes to `handOn` as written, whose
// consumer makes its row (see ScannedRows::addMeasured).
ColourObjects scanColourObjects(const InputFile &file,
    const std::atomic<bool> *stopRequested = nullptr, ScannedRows *handOn = nullptr,
    Cxf3Values values = Cxf3Values::AsGiven);
// scanColourObjects for the file at `path`, which it opens.
ColourObjects scanColourObjects(const QString &path,
    const std::atomic<bool> *stopRequested = nullptr, ScannedRows *handOn = nullptr,
    Cxf3Values values = Cxf3Values::AsGiven);
