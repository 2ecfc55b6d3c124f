#include "filetype.h"

#include "base/inputfile.h"
#include "base/inputfiledevice.h"
#include "base/kalidorerror.h"
#include "colourtable.h"
#include "linelist.h"
#include "linereader.h"
#include "namespaceuri.h"

#include <QString>

namespace {

// The root start tag when the namespace declaration ends its line; a tag carrying further
// attributes on the same line is deliberately not this line.
QString cxf3RootLine()
{
    return QStringLiteral(R"(<cc:CxF xmlns:cc="%1")").arg(NamespaceUri::cxf3Core);
}

// Takes a file's lines in order and tells its type once it has seen enough of them: the
// header line anywhere decides at once; the CxF3 root line counts where it first stands.
class FileTypeDetector {
public:
    // Considers the next line; true once the type is decided whatever follows.
    bool consider(QStringView line)
    {
        if (m_comparer.equal(line, m_header)) {
            m_isTextTable = true;
            return true;
        }
        if (m_rootIndex < 0 && m_comparer.equal(line, m_root))
            m_rootIndex = m_index;
        ++m_index;
        return false;
    }

    TableKind kind() const
    {
        if (m_isTextTable)
            return TableKind::TextTable;
        return m_rootIndex >= 1 ? TableKind::Cxf3 : TableKind::NotRecognised;
    }

private:
    const LineComparer m_comparer;
    const QString m_header = ColourTable::headerLine();
    const QString m_root = cxf3RootLine();
    bool m_isTextTable = false;
    qsizetype m_index = 0;
    qsizetype m_rootIndex = -1;
};

} // namespace

QLatin1StringView fileTypeTag(TableKind kind)
{
    switch (kind) {
    case TableKind::TextTable:
        return FileTypeTag::textFile;
    case TableKind::Cxf3:
        return FileTypeTag::cxf3;
    case TableKind::NotRecognised:
        return FileTypeTag::error;
    }
    Q_UNREACHABLE();
}

TableKind detectTableKind(const QStringList &lines)
{
    FileTypeDetector detector;
    for (const QString &line : lines) {
        if (detector.consider(line))
            break;
    }
    return detector.kind();
}

TableKind detectTableKindOfFile(const InputFile &file)
{
    InputFileDevice device(file);
    try {
        LineReader reader(device);
        FileTypeDetector detector;
        QString line;
        while (reader.readLine(line)) {
            if (detector.consider(line))
                break;
        }
        return detector.kind();
    } catch (const KalidorError &error) {
        throw error.inFile(file.path());
    }
}

TableKind detectTableKindOfFile(const QString &path)
{
    return detectTableKindOfFile(InputFile(path));
}

QString DetectFileType(const QStringList &lines)
{
    return fileTypeTag(detectTableKind(lines));
}

QString DetectFileTypeOfFile(const QString &path)
{
    return fileTypeTag(detectTableKindOfFile(path));
}
