#pragma once

#include "base/platformfile.h"

#include <QString>

// An input file opened once for a whole opening: every pass over it reads this one open file
// (through InputFileDevice), so that all of them read the same file even if its path is given
// to another file meanwhile. They read it up to the size it had when it was opened: a file that
// another program keeps writing to would otherwise be read for as long as it grows.
class InputFile {
public:
    // Opens the file as openInputFile does. Throws KalidorError naming `path`: "cannot be
    // opened: reason".
    explicit InputFile(const QString &path);

    // The path the file was opened by, for the texts that name it.
    const QString &path() const { return m_path; }
    // Its size when it was opened.
    qint64 size() const { return m_size; }
    // Reads as OpenFile::readAt does, up to size() at most.
    qint64 readAt(qint64 offset, char *data, qint64 size) const;

private:
    QString m_path;
    OpenFile m_file;
    qint64 m_size;
};
