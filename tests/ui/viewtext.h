#pragma once

#include "ui/readonlylinesview.h"

#include <QPlainTextEdit>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>

// A text view's lines as it shows them, one per text block; an empty view has none. Blocks
// are read one by one because the view's plain text would turn no-break spaces into spaces.
inline QStringList viewLines(const QPlainTextEdit *view)
{
    QStringList result;
    const QTextDocument *document = view->document();
    if (document->isEmpty())
        return result;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        result.append(block.text());
    return result;
}

// The table view's lines as it shows them.
inline QStringList viewLines(const ReadOnlyLinesView *view)
{
    QStringList result;
    for (qsizetype line = 0; line < view->lineCount(); ++line)
        result.append(view->shownLine(line));
    return result;
}
