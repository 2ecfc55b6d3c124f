#include "helpdocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace {
// These names match the install rules (cmake/DesktopIdentity.cmake).
const QString guideFileName = QStringLiteral("kalidor-to-delvane-user-guide.pdf");
const QString guideDataPath = QStringLiteral("doc/kalidor-to-delvane/") + guideFileName;
} // namespace

QUrl helpDocumentUrl()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString besideProgram = programDir.filePath(guideFileName);
    if (QFileInfo::exists(besideProgram))
        return QUrl::fromLocalFile(besideProgram);

    // Installed: <prefix>/bin/program and <prefix>/share/doc/kalidor-to-delvane/guide.
    const QString underPrefix
        = QDir::cleanPath(programDir.absoluteFilePath(QStringLiteral("../share/") + guideDataPath));
    if (QFileInfo::exists(underPrefix))
        return QUrl::fromLocalFile(underPrefix);

    // A program started through a link or a wrapper from elsewhere still finds the installed guide.
    const QString inDataDirs
        = QStandardPaths::locate(QStandardPaths::GenericDataLocation, guideDataPath);
    return QUrl::fromLocalFile(inDataDirs.isEmpty() ? underPrefix : inDataDirs);
}
