#include "swatchtextview.h"

#include <QTextBlock>

SwatchTextView::SwatchTextView(SwatchMargin::ColourReader reader, bool withMarks, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_margin(new SwatchMargin(*this, std::move(reader), withMarks, this))
{
    setViewportMargins(m_margin->preferredWidth(), 0, 0, 0);
    connect(this, &QPlainTextEdit::updateRequest, this, &SwatchTextView::updateMargin);
}

void SwatchTextView::setMarks(const QMap<int, QString> &reasonsByLine)
{
    if (!m_reasons.isEmpty()) {
        for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
            block.setUserState(-1);
    }
    m_reasons.clear();
    for (auto entry = reasonsByLine.cbegin(); entry != reasonsByLine.cend(); ++entry) {
        QTextBlock block = document()->findBlockByNumber(entry.key());
        if (!block.isValid())
            continue;
        // The block keeps its state through edits, so the mark follows its line.
        block.setUserState(int(m_reasons.size()));
        m_reasons.append(entry.value());
    }
    m_margin->update();
}

QString SwatchTextView::markOf(int line) const
{
    const QTextBlock block = document()->findBlockByNumber(line);
    const int state = block.isValid() ? block.userState() : -1;
    return state >= 0 && state < m_reasons.size() ? m_reasons.at(state) : QString();
}

std::optional<QString> SwatchTextView::textOf(int line) const
{
    const QTextBlock block = document()->findBlockByNumber(line);
    return block.isValid() ? std::optional(block.text()) : std::nullopt;
}

QList<SwatchMargin::ShownLine> SwatchTextView::shownBetween(int top, int bottom) const
{
    QList<SwatchMargin::ShownLine> shown;
    QTextBlock block = firstVisibleBlock();
    qreal blockTop = blockBoundingGeometry(block).translated(contentOffset()).top();
    while (block.isValid() && blockTop <= bottom) {
        const int height = qRound(blockBoundingRect(block).height());
        if (block.isVisible() && blockTop + height > top)
            shown.append({ block.blockNumber(), int(blockTop), height });
        blockTop += height;
        block = block.next();
    }
    return shown;
}

void SwatchTextView::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect contents = contentsRect();
    m_margin->setGeometry(
        contents.left(), contents.top(), m_margin->preferredWidth(), contents.height());
}

void SwatchTextView::updateMargin(const QRect &rect, int dy)
{
    if (dy != 0)
        m_margin->scroll(0, dy);
    else
        m_margin->update(0, rect.y(), m_margin->width(), rect.height());
}
