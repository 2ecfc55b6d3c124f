#pragma once

#include "ui/windowdialogs.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

// Dialogs that answer from a script instead of asking, and remember what they were asked.
class ScriptedDialogs : public WindowDialogs {
public:
    struct Message {
        MessageKind kind;
        QString text;
        QString details;
    };

    std::optional<QString> chooseKalidorFile() override
    {
        ++openDialogRuns;
        if (onOpenDialog)
            onOpenDialog();
        return takeNext(openAnswers);
    }

    std::optional<QString> chooseDelvaneColorFile(const QString &fileName) override
    {
        offeredSaveNames.append(fileName);
        if (onSaveDialog)
            onSaveDialog();
        return takeNext(saveAnswers);
    }

    void showMessage(MessageKind kind, const QString &text, const QString &details = {}) override
    {
        messages.append({ kind, text, details });
        if (onMessage)
            onMessage();
    }

    // Answers for the coming dialogs, in order; nothing means "cancelled".
    QList<std::optional<QString>> openAnswers;
    QList<std::optional<QString>> saveAnswers;
    // Run while a dialog or a message is "shown", as the nested loop of a real dialog would.
    std::function<void()> onOpenDialog;
    std::function<void()> onSaveDialog;
    std::function<void()> onMessage;

    int openDialogRuns = 0;
    QStringList offeredSaveNames;
    QList<Message> messages;

private:
    static std::optional<QString> takeNext(QList<std::optional<QString>> &answers)
    {
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
};
