#pragma once

#include "base/textencoding.h"

class QString;

// The encoding saveDatabase will write `path` in: with `append`, that of the existing file as
// its byte-order mark says; otherwise, or when there is no file to read, the default code page.
TextEncoding databaseEncoding(const QString &path, bool append);
