#include "kalidorapplication.h"

#include "buildinfo.h"
#include "generalerrorhandler.h"

#include <QIcon>

KalidorApplication::KalidorApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("kalidor-to-delvane"));
    setApplicationVersion(QString::fromLatin1(BuildInfo::version));
    setWindowIcon(QIcon(QStringLiteral(":/icons/kalidor-to-delvane.svg")));
    // Lets the desktop match the window to its menu entry and icon.
    setDesktopFileName(QStringLiteral("com.kalidor.KalidorToDelvane"));
}

bool KalidorApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        GeneralErrorHandler::report(std::current_exception());
        return false;
    }
}
