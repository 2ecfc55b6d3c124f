#include "inputfiledevice.h"

#include "base/inputfile.h"
#include "base/kalidorerror.h"

InputFileDevice::InputFileDevice(const InputFile &file)
    : m_file(file)
{
    // Unbuffered: every reader reads in large chunks of its own already.
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
}

qint64 InputFileDevice::size() const
{
    return m_file.size();
}

bool InputFileDevice::seek(qint64 position)
{
    if (!QIODevice::seek(position))
        return false;
    m_offset = position;
    return true;
}

qint64 InputFileDevice::readData(char *data, qint64 maxSize)
{
    try {
        const qint64 got = m_file.readAt(m_offset, data, maxSize);
        m_offset += got;
        return got;
    } catch (const KalidorError &error) {
        setErrorString(error.reason());
        return -1;
    }
}

qint64 InputFileDevice::writeData(const char *, qint64)
{
    return -1;
}
