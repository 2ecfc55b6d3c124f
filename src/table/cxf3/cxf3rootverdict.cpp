#include "cxf3rootverdict.h"

#include "base/inputfile.h"
#include "base/inputfiledevice.h"
#include "base/kalidorerror.h"
#include "table/cxf3/xmlrootelement.h"
#include "table/linereader.h"
#include "table/namespaceuri.h"

#include <QStringList>

namespace {

// Line `number` (from 1) of the file as the line rule reads it, or an empty string.
QString lineOfFile(const InputFile &file, qint64 number)
{
    InputFileDevice device(file);
    try {
        LineReader reader(device);
        QString line;
        for (qint64 i = 1; reader.readLine(line); ++i) {
            if (i == number)
                return line;
        }
        return QString();
    } catch (const KalidorError &error) {
        throw error.inFile(file.path());
    }
}

// "a", "a and b", "a, b and c".
QString joined(const QStringList &parts)
{
    if (parts.size() < 2)
        return parts.join(QString());
    return parts.first(parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ")
        + parts.last();
}

// What differs from the one line the line rule looks for: the start tag written with the
// prefix cc, the namespace declaration right after the name and ending the line, on any line
// but the first.
QString layoutReason(const XmlRootElement &root, const QString &line)
{
    if (root.prefix.isEmpty())
        return QStringLiteral("the root element CxF takes the CxF3 namespace as its default "
                              "namespace, not through the prefix cc");
    if (root.prefix.compare(u"cc", Qt::CaseInsensitive) != 0)
        return QStringLiteral("the root element %1:CxF takes the CxF3 namespace through the "
                              "prefix %1, not cc")
            .arg(root.prefix);

    const QString name = root.prefix + QStringLiteral(":CxF");
    const QString declaration = QStringLiteral(R"(xmlns:cc="%1")").arg(NamespaceUri::cxf3Core);
    const qsizetype start = line.indexOf(u'<' + name);
    QStringList musts;
    if (start > 0)
        musts << QStringLiteral("start its line");
    const QStringView rest
        = QStringView(line).mid(start < 0 ? line.size() : start + name.size() + 1);
    if (!rest.startsWith(u' ' + declaration, Qt::CaseInsensitive))
        musts << QStringLiteral("hold %1 right after its name").arg(declaration);
    else if (rest.size() > declaration.size() + 1)
        musts << QStringLiteral("end its line");
    if (root.line == 1)
        musts << QStringLiteral("not stand on the first line");
    if (musts.isEmpty())
        return QString();
    return QStringLiteral("the %1 start tag must %2").arg(name, joined(musts));
}

} // namespace

Cxf3RootVerdict judgeCxf3Root(const InputFile &file)
{
    const std::optional<XmlRootElement> root = readXmlRootElement(file);
    if (!root || root->localName != u"CxF")
        return {};
    if (!NamespaceUri::same(root->namespaceUri, NamespaceUri::cxf3Core))
        return { false,
            QStringLiteral("the root element CxF is not in the CxF3 namespace \"%1\"")
                .arg(NamespaceUri::cxf3Core),
            root->line };
    return { true, layoutReason(*root, lineOfFile(file, root->line)), root->line };
}

Cxf3RootVerdict judgeCxf3Root(const QString &path)
{
    return judgeCxf3Root(InputFile(path));
}
