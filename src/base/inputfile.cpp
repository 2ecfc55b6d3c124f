#include "inputfile.h"

InputFile::InputFile(const QString &path)
    : m_path(path)
    , m_file(openInputFile(path))
{
}
