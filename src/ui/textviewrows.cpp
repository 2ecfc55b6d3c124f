#include "textviewrows.h"

#include "viewlines.h"

#include <QPlainTextEdit>
#include <QTextCursor>

TextViewRows::TextViewRows(QPlainTextEdit *view)
    : m_view(view)
    , m_atStart(view->document()->isEmpty())
{
}

void TextViewRows::append(const QString &row)
{
    m_pending.append(ViewLines::shown(row));
}

void TextViewRows::showNewRows()
{
    if (m_pending.isEmpty())
        return;
    QTextCursor end(m_view->document());
    end.movePosition(QTextCursor::End);
    // The first rows of an empty view go into its one empty block. No row holds a line break
    // of its own, so each "\n" starts the next row's block.
    if (!m_atStart)
        end.insertBlock();
    m_atStart = false;
    end.insertText(m_pending.join(u'\n'));
    m_pending.clear();
}
