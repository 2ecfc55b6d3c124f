#include "lineselection.h"

#include <QStringList>

std::pair<qsizetype, qsizetype> LineSelection::columnsOf(qsizetype line, qsizetype lineLength) const
{
    const LinePlace first = start();
    const LinePlace last = end();
    if (isEmpty() || line < first.line || line > last.line)
        return { 0, 0 };
    const qsizetype from = line == first.line ? first.column : 0;
    const qsizetype to = line == last.line ? last.column : lineLength + 1;
    return { from, to - from };
}

QString LineSelection::textOf(const std::function<QString(qsizetype)> &line) const
{
    const LinePlace first = start();
    const LinePlace last = end();
    if (isEmpty())
        return QString();
    if (first.line == last.line)
        return line(first.line).mid(first.column, last.column - first.column);
    QStringList parts { line(first.line).mid(first.column) };
    for (qsizetype middle = first.line + 1; middle < last.line; ++middle)
        parts.append(line(middle));
    parts.append(line(last.line).left(last.column));
    return parts.join(u'\n');
}
