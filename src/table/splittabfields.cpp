#include "splittabfields.h"

#include <QString>

namespace {

bool isSkipped(QChar character)
{
    return character == u' ' || character == u'\t';
}

} // namespace

void SplitTabFields(const QString &line, QStringList &fields)
{
    if (line.isEmpty())
        return;
    fields.clear();
    const qsizetype length = line.size();
    qsizetype position = 0;
    while (position < length) {
        while (position < length && isSkipped(line.at(position)))
            ++position;
        if (position >= length)
            break;
        const qsizetype tab = line.indexOf(u'\t', position);
        const qsizetype end = tab < 0 ? length : tab;
        fields.append(line.sliced(position, end - position));
        position = end + 1;
    }
}
