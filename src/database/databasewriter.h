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
// The file is replaced atomically, so a failure leaves what it held before. Throws KalidorError
// naming the file and the reason when it cannot be written, and, with `append`, when the
// existing file cannot be read in full (its lines would be lost).
void saveDatabase(const QString &path, const QStringList &records, bool append);
