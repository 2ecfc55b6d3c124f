#pragma once

#include "table/textencoding.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The bytes of a database file: every line followed by CR LF, the last one included, in
// `encoding` with its byte-order mark. DefaultCodePage has no mark unless that code page is
// UTF-8; a character it cannot represent becomes "?".
QByteArray encodeLines(const QStringList &lines, TextEncoding encoding);

// Saves the records as the special-colour database `path`. Without `append` the file holds the
// records alone, in the default code page. With `append` an existing file keeps its lines and
// its encoding and the records follow; a missing file is created as without `append`.
// The file stays the same file (links, owner, mode), a failure leaves what it held before, and
// success is reported once the bytes are on the disk. Throws KalidorError, "path: reason", when
// it cannot be written, and, with `append`, when the existing file cannot be read in full (its
// lines would be lost) or another program changed it after it was read. Returns a note for the
// operator, empty unless a copy of the old content was left beside the file.
QString saveDatabase(const QString &path, const QStringList &records, bool append);
