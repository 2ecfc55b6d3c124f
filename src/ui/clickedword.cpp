#include "clickedword.h"

#include <QTextLayout>

namespace {

// What ends a word besides white space.
bool separatesWords(QChar c)
{
    return QStringView(u".,?!@#$:;-<>[](){}=/+%&^*'\"`~|").contains(c);
}

} // namespace

std::pair<int, int> clickedWord(const QString &text, int column)
{
    const int length = int(text.size());
    const bool afterWord = column == length && column > 0
        && (text.at(column - 1).isSpace() || separatesWords(text.at(column - 1)));
    // Word starts are the layout's; they need no font and no lines.
    const QTextLayout layout(text);
    const int start = column == 0 || afterWord
        ? column
        : layout.previousCursorPosition(qMin(column + 1, length), QTextLayout::SkipWords);
    int end = start;
    if (end < length && separatesWords(text.at(end))) {
        while (end < length && separatesWords(text.at(end)))
            ++end;
    } else {
        while (end < length && !text.at(end).isSpace() && !separatesWords(text.at(end)))
            ++end;
    }
    return { start, end };
}
