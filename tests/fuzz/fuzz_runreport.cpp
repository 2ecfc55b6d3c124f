// The run report's writer on arbitrary names, values, sources and warning texts: its output
// must be UTF-8 JSON as RFC 8259 has it, saying what was given.

#include "reportcheck.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    checkRunReport(QByteArrayView(data, qsizetype(size)));
    return 0;
}
