#pragma once

#include <QString>

// The file that `--report path` writes: `path` with its symbolic links followed, also a link
// to a file that is not there yet. Throws KalidorError with the reason, for wrong usage, when
// that file is INPUT or OUTPUT by whatever path (links, "..", another hard link), or is there
// and is no regular file (a device, a named pipe, a folder), which a report would replace.
// `output` "-" is standard output.
QString reportTarget(const QString &path, const QString &input, const QString &output);
