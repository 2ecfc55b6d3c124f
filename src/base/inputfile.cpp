#include "inputfile.h"

#include <algorithm>

InputFile::InputFile(const QString &path)
    : m_path(path)
    , m_file(openInputFile(path))
    , m_size(m_file.status().size)
{
}

qint64 InputFile::readAt(qint64 offset, char *data, qint64 size) const
{
    const qint64 left = m_size - offset;
    if (left <= 0)
        return 0;
    return m_file.readAt(offset, data, std::min(size, left));
}
