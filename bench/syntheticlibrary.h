#pragma once

#include <QString>

// Colour libraries that look like the ones print shops convert: named colours with a creation
// date, a 31-value reflectance spectrum and an Lab triple, about one in ten of them a
// substrate or comment that is no KALIDOR colour. The same seed gives the same colours in
// both forms, so a CxF3 library and its text table convert to the same records.
namespace SyntheticLibrary {

enum class Form {
    Cxf3, // UTF-8 CxF3 file, about 650 bytes per colour
    TextTable, // Windows-1252 tab-separated table, CR LF
};

// Writes `colours` colours in `form` to `path`. Throws KalidorError when it cannot.
void write(const QString &path, Form form, int colours);

// The file for `colours` colours in `form` inside `folder`, written on first use and reused
// afterwards, since the largest take a while to make.
QString cached(const QString &folder, Form form, int colours);

} // namespace SyntheticLibrary
