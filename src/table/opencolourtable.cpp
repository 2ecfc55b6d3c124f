#include "opencolourtable.h"

#include "table/cxf3/readcxf3file.h"
#include "table/filetype.h"
#include "table/kalidorerror.h"
#include "table/linelist.h"
#include "table/loopobserver.h"

#include <QFileInfo>

namespace {

// Why a path that names no regular file is passed over; empty when it names one.
QString whyNotAFile(const QFileInfo &info)
{
    if (!info.exists())
        return QStringLiteral("no such file");
    if (info.isDir())
        return QStringLiteral("is a folder, not a colour table");
    if (!info.isFile())
        return QStringLiteral("is not a regular file");
    return QString();
}

OpenedTable notRecognised(const QString &path, const QString &reason)
{
    OpenedTable table;
    table.notRecognisedReason = KalidorError::at(path, reason).text();
    return table;
}

} // namespace

OpenedTable openColourTable(const QString &path, XmlDocument &document, LoopObserver &observer)
{
    const QString notAFile = whyNotAFile(QFileInfo(path));
    if (!notAFile.isEmpty())
        return notRecognised(path, notAFile);

    observer.showProgress();
    // Classifying keeps no line, so a large CxF3 file is never held as lines.
    const QString tag = DetectFileTypeOfFile(path);
    OpenedTable table;
    if (tag == FileTypeTag::textFile) {
        table.kind = OpenedTable::Kind::TextTable;
        table.lines = NumberedLines::ofFile(loadLines(path).lines);
    } else if (tag == FileTypeTag::cxf3) {
        table.kind = OpenedTable::Kind::Cxf3;
        table.lines = ReadCxF3File(document, path, observer);
    } else {
        return notRecognised(path,
            QStringLiteral("neither a colour table (no line \"Name\\tL*\\ta*\\tb*\") nor a "
                           "CxF3 file (no line starting its cc:CxF root element)"));
    }
    return table;
}
