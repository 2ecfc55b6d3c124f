#include "databaseencoding.h"

#include <QFile>

TextEncoding databaseEncoding(const QString &path, bool append)
{
    if (!append)
        return TextEncoding::DefaultCodePage;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return TextEncoding::DefaultCodePage;
    qsizetype markLength = 0;
    return ByteOrderMark::find(file.read(ByteOrderMark::utf8.size()), markLength);
}
