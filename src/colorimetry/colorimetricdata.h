#pragma once

#include <string_view>

// The text of a file of data/, compiled into the library from the source tree (see
// CMakeLists.txt), so that the program needs no data beside it.
std::string_view embeddedColorimetricData(std::string_view fileName);
