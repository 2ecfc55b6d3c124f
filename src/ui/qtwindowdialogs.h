#pragma once

#include "windowdialogs.h"

#include <QPointer>

class QFileDialog;
class QWidget;

// The real dialogs: Qt's file dialogs, kept for the window's life so that the open dialog
// offers the last chosen folder and filter again, and Qt's message boxes.
class QtWindowDialogs : public WindowDialogs {
public:
    explicit QtWindowDialogs(QWidget *owner);

    std::optional<QString> chooseKalidorFile() override;
    std::optional<QString> chooseDelvaneColorFile(const QString &fileName) override;
    void showMessage(MessageKind kind, const QString &text, const QString &details = {}) override;

private:
    QWidget *m_owner;
    QPointer<QFileDialog> dlgOpenKalidorFile;
    QPointer<QFileDialog> dlgSaveDelvaneColorFile;
};
