#include "readonlytextaccessible.h"

#include "readonlylinesview.h"

#include <QAccessibleWidget>

namespace {

class ReadOnlyText : public QAccessibleWidget {
public:
    explicit ReadOnlyText(QWidget *view)
        : QAccessibleWidget(view, QAccessible::EditableText)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }
};

QAccessibleInterface *readOnlyTextFor(const QString &className, QObject *object)
{
    if (className == QLatin1String(ReadOnlyLinesView::staticMetaObject.className())
        && object->isWidgetType())
        return new ReadOnlyText(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

namespace ReadOnlyTextAccessible {

void install()
{
    static const bool installed = (QAccessible::installFactory(readOnlyTextFor), true);
    Q_UNUSED(installed)
}

} // namespace ReadOnlyTextAccessible
