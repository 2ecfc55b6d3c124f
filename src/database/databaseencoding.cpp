#include "databaseencoding.h"

#include "base/kalidorerror.h"
#include "base/platformfile.h"

#include <QFile>

TextEncoding databaseEncoding(const QString &path, bool append)
{
    if (!append)
        return TextEncoding::DefaultCodePage;
    QFile file;
    try {
        // Never waits on a named pipe put under the path.
        openRegularFile(file, path);
    } catch (const KalidorError &) {
        // No file to append to, or one the save itself will refuse.
        return TextEncoding::DefaultCodePage;
    }
    qsizetype markLength = 0;
    return ByteOrderMark::find(file.read(ByteOrderMark::utf8.size()), markLength);
}
