#pragma once

#include "table/numberedlines.h"
#include "table/rownotes.h"

#include <optional>

class ColourObjectScan;
class LoopObserver;
class QString;
class XmlDocument;

// Turns the CxF3 file at `path` into colour table lines through `observer`: the header
// line, then "name\tL\tA\tB" for every element of Resources/ObjectCollection that has a
// Name attribute, with the values of its first ColorValues/ColorCIELab as written and the
// name kept to one line (see scanColourObjects). Drives the progress indicator about twenty
// times per read and keeps the host responsive.
// `document` is loaded afresh from `path` and is inactive with no file name after success.
// Returns the lines appended, each numbered with the line its object starts on (0 for the
// header line).
// Throws KalidorError when the file cannot be read or parsed, or an object lacks an L, A
// or B value; rows already appended stay and the progress indicator is not ended.
// `notes`, when given, receives the rows whose Lab values the file says are for another
// illuminant or observer than D50 with 2°, since their records call them D50.
// `madeScan`, when given, is a scan of `path` made beforehand; its objects are used.
// `nested`, when given, receives the row that notes the file's first nested colour object.
NumberedLines ReadCxF3File(XmlDocument &document, const QString &path, LoopObserver &observer,
    RowNotes *notes = nullptr, ColourObjectScan *madeScan = nullptr,
    std::optional<NestedObjectNote> *nested = nullptr);
