#include "heldlines.h"

#include "viewlines.h"

#include <QTextBlock>
#include <QTextBlockUserData>
#include <QTextDocument>

namespace {

// A block's own data, kept with it through edits of its text and dropped with it.
class HeldLineNumber final : public QTextBlockUserData {
public:
    explicit HeldLineNumber(qsizetype line)
        : m_line(line)
    {
    }

    qsizetype line() const { return m_line; }

private:
    qsizetype m_line;
};

} // namespace

namespace HeldLines {

void mark(QTextBlock block, qsizetype line)
{
    block.setUserData(new HeldLineNumber(line));
}

QStringList shownBy(const QTextDocument &document, const QStringList &held)
{
    QStringList lines;
    if (document.isEmpty())
        return lines;
    lines.reserve(document.blockCount());
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        const auto *number = static_cast<const HeldLineNumber *>(block.userData());
        const bool showsItsLine = number && number->line() < held.size()
            && text == ViewLines::shown(held.at(number->line()));
        lines.append(showsItsLine ? held.at(number->line()) : text);
    }
    return lines;
}

} // namespace HeldLines
