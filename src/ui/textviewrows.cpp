#include "textviewrows.h"

#include "heldlines.h"
#include "viewlines.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>

TextViewRows::TextViewRows(QPlainTextEdit *view, qsizetype firstLine)
    : m_view(view)
    , m_atStart(view->document()->isEmpty())
    , m_nextLine(firstLine)
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
    QTextBlock block = m_view->document()->lastBlock();
    for (qsizetype row = m_pending.size(); row-- > 0; block = block.previous())
        HeldLines::mark(block, m_nextLine + row);
    m_nextLine += m_pending.size();
    m_pending.clear();
}
