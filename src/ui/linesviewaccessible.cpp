#include "linesviewaccessible.h"

#include "readonlylinesview.h"

#include <QAccessibleWidget>

namespace {

class LinesText : public QAccessibleWidget {
public:
    explicit LinesText(ReadOnlyLinesView *view)
        : QAccessibleWidget(view, QAccessible::EditableText)
        , m_view(view)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = m_view->isReadOnly();
        state.editable = !m_view->isReadOnly();
        state.multiLine = true;
        state.selectableText = true;
        return state;
    }

private:
    const ReadOnlyLinesView *m_view;
};

QAccessibleInterface *linesTextFor(const QString &, QObject *object)
{
    if (auto *view = qobject_cast<ReadOnlyLinesView *>(object))
        return new LinesText(view);
    return nullptr;
}

} // namespace

namespace LinesViewAccessible {

void install()
{
    static const bool installed = (QAccessible::installFactory(linesTextFor), true);
    Q_UNUSED(installed)
}

} // namespace LinesViewAccessible
