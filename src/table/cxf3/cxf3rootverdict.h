#pragma once

#include <QString>

class InputFile;

// What the root element says of a file that the line rule of DetectFileType passes over.
struct Cxf3RootVerdict {
    // The root element is CxF in the CxF3 core namespace, however its start tag is laid out.
    bool isCxf3 = false;
    // What keeps a root element that comes near from being recognised, such as "the cc:CxF
    // start tag must end its line"; empty when the root element is nothing like CxF3's, or
    // stands on the very line the line rule looks for (one it read in another encoding).
    QString reason;
    // The line where the root start tag begins, counted from 1; 0 without a reason.
    qint64 line = 0;
};

// Judges the root element of `file`, read only as far as its start tag.
// Throws KalidorError when the file cannot be read.
Cxf3RootVerdict judgeCxf3Root(const InputFile &file);
// judgeCxf3Root for the file at `path`, which it opens; throws KalidorError when it cannot.
Cxf3RootVerdict judgeCxf3Root(const QString &path);
