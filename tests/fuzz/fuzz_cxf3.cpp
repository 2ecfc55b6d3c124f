// The CxF3 reader on arbitrary bytes, against the lookups done over the file's whole tree; and
// the converter's records, made while the file is read, against those of the table held whole.

#include "cxf3comparison.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    compareCxf3Readings(QByteArrayView(data, qsizetype(size)));
    return 0;
}
