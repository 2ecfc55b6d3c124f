#include "qtwindowdialogs.h"

#include "messagebox.h"

#include <QFileDialog>

namespace {

std::optional<QString> chosenFile(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

} // namespace

QtWindowDialogs::QtWindowDialogs(QWidget *owner)
    : m_owner(owner)
{
}

std::optional<QString> QtWindowDialogs::chooseKalidorFile()
{
    if (!dlgOpenKalidorFile) {
        dlgOpenKalidorFile = new QFileDialog(m_owner);
        dlgOpenKalidorFile->setObjectName(QStringLiteral("dlgOpenKalidorFile"));
        dlgOpenKalidorFile->setAcceptMode(QFileDialog::AcceptOpen);
        // The open workflow tests whether the chosen file exists; the dialog does not insist.
        dlgOpenKalidorFile->setFileMode(QFileDialog::AnyFile);
        dlgOpenKalidorFile->setNameFilters({ QStringLiteral("cxf (*.cxf)"),
            QStringLiteral("txt (*.txt)"), QStringLiteral("* (*)") });
        dlgOpenKalidorFile->setSizeGripEnabled(true);
    }
    const std::optional<QString> chosen = chosenFile(*dlgOpenKalidorFile);
    // A full path typed into the name field leaves the dialog in the folder it was showing;
    // the next opening starts where the chosen file is.
    if (chosen)
        dlgOpenKalidorFile->selectFile(*chosen);
    return chosen;
}

std::optional<QString> QtWindowDialogs::chooseDelvaneColorFile(const QString &fileName)
{
    if (!dlgSaveDelvaneColorFile) {
        dlgSaveDelvaneColorFile = new QFileDialog(m_owner);
        dlgSaveDelvaneColorFile->setObjectName(QStringLiteral("dlgSaveDelvaneColorFile"));
        dlgSaveDelvaneColorFile->setAcceptMode(QFileDialog::AcceptSave);
        dlgSaveDelvaneColorFile->setFileMode(QFileDialog::AnyFile);
        dlgSaveDelvaneColorFile->setOption(QFileDialog::DontConfirmOverwrite);
        dlgSaveDelvaneColorFile->setSizeGripEnabled(true);
    }
    dlgSaveDelvaneColorFile->selectFile(fileName);
    return chosenFile(*dlgSaveDelvaneColorFile);
}

void QtWindowDialogs::showMessage(MessageKind kind, const QString &text, const QString &details)
{
    showMessageBox(m_owner, kind, text, details);
}
