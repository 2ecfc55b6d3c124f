#include "filetype.h"

#include "colourtable.h"
#include "linelist.h"

#include <QString>

namespace {

// The root start tag when the namespace declaration ends its line; a tag carrying further
// attributes on the same line is deliberately not this line.
QString cxf3RootLine()
{
    return QStringLiteral(R"(<cc:CxF xmlns:cc="http://colorexchangeformat.com/CxF3-core")");
}

} // namespace

QString DetectFileType(const QStringList &lines)
{
    if (findLine(lines, ColourTable::headerLine()) >= 0)
        return FileTypeTag::textFile;
    if (findLine(lines, cxf3RootLine()) >= 1)
        return FileTypeTag::cxf3;
    return FileTypeTag::error;
}
