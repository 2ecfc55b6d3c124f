#pragma once

#include "base/textencoding.h"

#include <QString>

// The encoding as the operator knows it, for messages: the name that the byte-order mark
// gives ("UTF-8", "UTF-16LE", "UTF-16BE"), else the default code page's name.
QString encodingName(TextEncoding encoding);
