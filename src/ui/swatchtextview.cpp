#include "swatchtextview.h"

#include "database/labvalues.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QTextBlock>
#include <QToolTip>

namespace {

constexpr int padding = 3;

QString describe(const LabValues &lab, const ScreenColour &screen)
{
    const QColor &colour = screen.colour;
    QString text = QStringLiteral("L* %1, a* %2, b* %3 (D50) shows as sRGB %4, %5, %6")
                       .arg(lab.lightness)
                       .arg(lab.a)
                       .arg(lab.b)
                       .arg(colour.red())
                       .arg(colour.green())
                       .arg(colour.blue());
    if (screen.outOfGamut)
        text += QStringLiteral("\nOutside sRGB: the screen shows the nearest colour it has.");
    return text;
}

} // namespace

// The strip beside the text; the view paints it, since only the view knows where its lines are.
class SwatchTextView::Margin : public QWidget {
public:
    explicit Margin(SwatchTextView *view)
        : QWidget(view)
        , m_view(view)
    {
        setObjectName(QStringLiteral("swatchMargin"));
    }

    QSize sizeHint() const override { return { m_view->marginWidth(), 0 }; }

protected:
    void paintEvent(QPaintEvent *event) override { m_view->paintMargin(event); }

    bool event(QEvent *event) override
    {
        if (event->type() != QEvent::ToolTip)
            return QWidget::event(event);
        auto *help = static_cast<QHelpEvent *>(event);
        const QString tip = m_view->tooltipAt(help->pos());
        if (tip.isEmpty()) {
            QToolTip::hideText();
            event->ignore();
        } else {
            QToolTip::showText(help->globalPos(), tip, this);
        }
        return true;
    }

private:
    SwatchTextView *m_view;
};

SwatchTextView::SwatchTextView(ColourReader reader, bool withMarks, QWidget *parent)
    : QPlainTextEdit(parent)
    , m_reader(std::move(reader))
    , m_withMarks(withMarks)
    , m_margin(new Margin(this))
{
    setViewportMargins(marginWidth(), 0, 0, 0);
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
    return markOf(document()->findBlockByNumber(line));
}

std::optional<ScreenColour> SwatchTextView::swatchOf(int line) const
{
    return swatchOf(document()->findBlockByNumber(line));
}

QString SwatchTextView::markOf(const QTextBlock &block) const
{
    const int state = block.isValid() ? block.userState() : -1;
    return state >= 0 && state < m_reasons.size() ? m_reasons.at(state) : QString();
}

std::optional<ScreenColour> SwatchTextView::swatchOf(const QTextBlock &block) const
{
    if (!block.isValid())
        return std::nullopt;
    const std::optional<LabValues> lab = m_reader(block);
    if (!lab)
        return std::nullopt;
    return m_toSrgb.convert(*lab);
}

int SwatchTextView::marginWidth() const
{
    const int side = fontMetrics().height();
    return padding + side + (m_withMarks ? padding + side : 0) + padding;
}

QRect SwatchTextView::swatchRect(int top, int height) const
{
    const int side = qMax(4, fontMetrics().height() - 4);
    return { padding + 2, top + (height - side) / 2, side, side };
}

QRect SwatchTextView::markRect(int top, int height) const
{
    const int side = fontMetrics().height();
    return { 2 * padding + side, top + (height - side) / 2, side, side };
}

void SwatchTextView::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect contents = contentsRect();
    m_margin->setGeometry(contents.left(), contents.top(), marginWidth(), contents.height());
}

void SwatchTextView::updateMargin(const QRect &rect, int dy)
{
    if (dy != 0)
        m_margin->scroll(0, dy);
    else
        m_margin->update(0, rect.y(), m_margin->width(), rect.height());
}

QTextBlock SwatchTextView::blockAt(int y) const
{
    // The margin and the viewport share their top edge, so a height in one is one in the other.
    const QTextBlock nearest = cursorForPosition(QPoint(0, y)).block();
    const QRectF geometry = blockBoundingGeometry(nearest).translated(contentOffset());
    return y >= geometry.top() && y < geometry.bottom() ? nearest : QTextBlock();
}

QString SwatchTextView::tooltipAt(const QPoint &marginPosition) const
{
    const QTextBlock block = blockAt(marginPosition.y());
    if (!block.isValid())
        return QString();
    QStringList parts;
    const QString reason = markOf(block);
    if (!reason.isEmpty())
        parts.append(reason);
    if (const std::optional<LabValues> lab = m_reader(block))
        parts.append(describe(*lab, m_toSrgb.convert(*lab)));
    return parts.join(u'\n');
}

void SwatchTextView::paintMargin(QPaintEvent *event)
{
    QPainter painter(m_margin);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    const QPixmap warning = m_withMarks
        ? style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(fontMetrics().height())
        : QPixmap();

    QTextBlock block = firstVisibleBlock();
    qreal top = blockBoundingGeometry(block).translated(contentOffset()).top();
    while (block.isValid() && top <= event->rect().bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        const int lineHeight = qMin(height, fontMetrics().lineSpacing());
        if (block.isVisible() && top + height >= event->rect().top()) {
            if (const std::optional<ScreenColour> swatch = swatchOf(block)) {
                const QRect square = swatchRect(int(top), lineHeight);
                painter.fillRect(square, swatch->colour);
                painter.setPen(palette().color(QPalette::Mid));
                painter.drawRect(square.adjusted(0, 0, -1, -1));
                if (swatch->outOfGamut) {
                    // A corner cut off in black and white: visible on any colour.
                    const QPoint corner = square.topRight();
                    const int cut = square.width() / 2;
                    const QPolygon triangle(
                        { corner, corner - QPoint(cut, 0), corner + QPoint(0, cut) });
                    painter.setBrush(Qt::white);
                    painter.setPen(Qt::black);
                    painter.drawPolygon(triangle);
                    painter.setBrush(Qt::NoBrush);
                }
            }
            if (m_withMarks && !markOf(block).isEmpty())
                painter.drawPixmap(markRect(int(top), lineHeight), warning);
        }
        top += height;
        block = block.next();
    }
}
