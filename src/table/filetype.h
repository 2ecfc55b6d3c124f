#pragma once

#include "table/tablekind.h"

#include <QLatin1StringView>
#include <QStringList>

class InputFile;
class QString;

// The names of the kinds that DetectFileType gives.
namespace FileTypeTag {

// A tab-separated colour table: the header line stands on some line.
inline constexpr QLatin1StringView textFile("textFile_Type");
// A CxF3 document whose root start tag ends its line right after the core namespace.
inline constexpr QLatin1StringView cxf3("cxf3_Type");
// Neither; not an error of its own, the file is merely not recognised.
inline constexpr QLatin1StringView error("Error");

} // namespace FileTypeTag

// The FileTypeTag value that names `kind`.
QLatin1StringView fileTypeTag(TableKind kind);

// The kind of a loaded file by its lines. The header line wins wherever it stands, so a file
// holding both lines is a text table; the CxF3 root line counts only from the second line on,
// since a CxF3 file is expected to open with its XML declaration.
TableKind detectTableKind(const QStringList &lines);

// detectTableKind for `file`, read as loadLines reads it but in one pass that keeps no line,
// so that a large CxF3 file is classified in little memory. Reading stops at the header line;
// when the file is a text table, load it to get its lines.
// Throws KalidorError as loadLines does for the part of the file it reads.
TableKind detectTableKindOfFile(const InputFile &file);
// detectTableKindOfFile for the file at `path`, which it opens.
TableKind detectTableKindOfFile(const QString &path);

// detectTableKind and detectTableKindOfFile, as the FileTypeTag value of the kind.
QString DetectFileType(const QStringList &lines);
QString DetectFileTypeOfFile(const QString &path);
