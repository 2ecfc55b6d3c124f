#include "browse.h"

#include <QDesktopServices>
#include <QUrl>

void TMisc::Open(const QString &sCommand)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(sCommand));
}
