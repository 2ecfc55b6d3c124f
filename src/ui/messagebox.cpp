#include "messagebox.h"

#include <QApplication>
#include <QMessageBox>

void showMessageBox(QWidget *owner, MessageKind kind, const QString &text, const QString &details)
{
    const bool isError = kind == MessageKind::Error;
    QMessageBox box(isError ? QMessageBox::Critical : QMessageBox::Information,
        isError ? QStringLiteral("Error") : QStringLiteral("Information"),
        QString(text).replace(u'\r', u'\n'), QMessageBox::Ok,
        owner ? owner : QApplication::activeWindow());
    box.setObjectName(QStringLiteral("messageBox"));
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    if (!details.isEmpty())
        box.setDetailedText(details);
    box.exec();
}
