#pragma once

#include "base/textencoding.h"

class QString;

// The encoding a DatabaseSave of `path` opened now would write in, without holding the file:
// with `append`, that of the existing file as its byte-order mark says; otherwise, or when
// there is no file to read, the default code page. A guess for work begun before the file is
// chosen; the save's own encoding() is the one its records must be in.
TextEncoding databaseEncoding(const QString &path, bool append);
