#include "messages.h"

#include "buildinfo.h"

namespace Messages {

namespace {

QString withHelpLines(const QString &firstLine)
{
    return firstLine + u'\r' + QStringLiteral("Press the Help Button or") + u'\r'
        + QStringLiteral("Contact ") + QString::fromLatin1(BuildInfo::supportEmail)
        + QStringLiteral(" for assistance");
}

} // namespace

QString inputFileError()
{
    return withHelpLines(QStringLiteral("Kalidor (input) file error."));
}

QString outputFileError()
{
    return withHelpLines(QStringLiteral("Delvane Special Color (output) file error."));
}

QString kalidorFileNotSelected()
{
    return QStringLiteral("KALIDOR file not selected");
}

} // namespace Messages
