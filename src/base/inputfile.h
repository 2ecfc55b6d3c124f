#pragma once

#include "base/platformfile.h"

#include <QString>

// An input file opened once for a whole opening: every pass over it reads this one open file
// (through InputFileDevice), so that all of them read the same file even if its path is given
// to another file meanwhile.
class InputFile {
public:
    // Opens the file as openInputFile does. Throws KalidorError naming `path`: "cannot be
    // opened: reason".
    explicit InputFile(const QString &path);

    // The path the file was opened by, for the texts that name it.
    const QString &path() const { return m_path; }
    const OpenFile &file() const { return m_file; }

private:
    QString m_path;
    OpenFile m_file;
};
