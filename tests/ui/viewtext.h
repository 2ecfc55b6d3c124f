#pragma once

#include "ui/editablelinesview.h"
#include "ui/readonlylinesview.h"
#include "ui/swatchtextview.h"

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

// The output view's lines as it shows them: its text once edited, else the lines it holds.
inline QStringList viewLines(const EditableLinesView *view)
{
    if (const SwatchTextView *text = view->textView())
        return viewLines(static_cast<const QPlainTextEdit *>(text));
    return viewLines(static_cast<const ReadOnlyLinesView *>(view));
}
