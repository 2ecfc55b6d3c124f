#include "viewlines.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

namespace ViewLines {

QStringList lines(const QPlainTextEdit *view)
{
    QStringList result;
    if (isEmpty(view))
        return result;
    const QTextDocument *document = view->document();
    result.reserve(document->blockCount());
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        result.append(block.text());
    return result;
}

bool isEmpty(const QPlainTextEdit *view)
{
    return view->document()->isEmpty();
}

void replace(QPlainTextEdit *view, const QStringList &lines)
{
    view->setPlainText(lines.join(u'\n'));
}

} // namespace ViewLines
