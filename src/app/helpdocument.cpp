#include "helpdocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {
const QString guideFileName = QStringLiteral("kalidor-to-delvane-user-guide.pdf");
}

QUrl helpDocumentUrl()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString besideProgram = programDir.filePath(guideFileName);
    if (QFileInfo::exists(besideProgram))
        return QUrl::fromLocalFile(besideProgram);
    return QUrl::fromLocalFile(
        programDir.absoluteFilePath(QStringLiteral("../share/doc/kalidor-to-delvane/") + guideFileName));
}
