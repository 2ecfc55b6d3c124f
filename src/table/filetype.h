#pragma once

#include <QLatin1StringView>
#include <QStringList>

class QString;

// What DetectFileType makes of a loaded file.
namespace FileTypeTag {

// A tab-separated colour table: the header line stands on some line.
inline constexpr QLatin1StringView textFile("textFile_Type");
// A CxF3 document whose root start tag ends its line right after the core namespace.
inline constexpr QLatin1StringView cxf3("cxf3_Type");
// Neither; not an error of its own, the file is merely not recognised.
inline constexpr QLatin1StringView error("Error");

} // namespace FileTypeTag

// One of the FileTypeTag values. The header line wins wherever it stands, so a file holding
// both lines is a text table; the CxF3 root line counts only from the second line on, since
// a CxF3 file is expected to open with its XML declaration.
QString DetectFileType(const QStringList &lines);

// DetectFileType for the file at `path`, read as loadLines reads it but in one pass that keeps
// no line, so that a large CxF3 file is classified in little memory. Reading stops at the
// header line; when the file is a text table, load it to get its lines.
// Throws KalidorError as loadLines does for the part of the file it reads.
QString DetectFileTypeOfFile(const QString &path);
