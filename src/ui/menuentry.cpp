#include "menuentry.h"

#include <QAction>
#include <QMenu>

QAction *menuEntry(QMenu *menu, const QString &text, QKeySequence::StandardKey key,
    const QString &name, bool enabled)
{
    const QString keys = QKeySequence(key).toString(QKeySequence::NativeText);
    auto *action = new QAction(keys.isEmpty() ? text : text + u'\t' + keys, menu);
    action->setObjectName(name);
    action->setEnabled(enabled);
    return action;
}
