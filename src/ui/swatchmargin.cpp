#include "swatchmargin.h"

#include "database/labvalues.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
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

SwatchMargin::SwatchMargin(const Lines &lines, ColourReader reader, bool withMarks, QWidget *view)
    : QWidget(view)
    , m_lines(lines)
    , m_reader(std::move(reader))
    , m_withMarks(withMarks)
{
    setObjectName(QStringLiteral("swatchMargin"));
}

std::optional<ScreenColour> SwatchMargin::swatchOf(int line) const
{
    const std::optional<QString> text = m_lines.textOf(line);
    const std::optional<LabValues> lab = text ? m_reader(line, *text) : std::nullopt;
    if (!lab)
        return std::nullopt;
    return m_toSrgb.convert(*lab);
}

int SwatchMargin::preferredWidth() const
{
    const int side = fontMetrics().height();
    return padding + side + (m_withMarks ? padding + side : 0) + padding;
}

QSize SwatchMargin::sizeHint() const
{
    return { preferredWidth(), 0 };
}

QRect SwatchMargin::swatchRect(int top, int height) const
{
    const int side = qMax(4, fontMetrics().height() - 4);
    return { padding + 2, top + (height - side) / 2, side, side };
}

QRect SwatchMargin::markRect(int top, int height) const
{
    const int side = fontMetrics().height();
    return { 2 * padding + side, top + (height - side) / 2, side, side };
}

bool SwatchMargin::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    auto *help = static_cast<QHelpEvent *>(event);
    const QString tip = tooltipAt(help->pos().y());
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(help->globalPos(), tip, this);
    }
    return true;
}

QString SwatchMargin::tooltipAt(int y) const
{
    const QList<ShownLine> shown = m_lines.shownBetween(y, y);
    if (shown.isEmpty() || y < shown.first().top || y >= shown.first().top + shown.first().height)
        return QString();
    const int line = shown.first().number;
    QStringList parts;
    const QString reason = m_lines.markOf(line);
    if (!reason.isEmpty())
        parts.append(reason);
    const std::optional<QString> text = m_lines.textOf(line);
    if (const std::optional<LabValues> lab = text ? m_reader(line, *text) : std::nullopt)
        parts.append(describe(*lab, m_toSrgb.convert(*lab)));
    return parts.join(u'\n');
}

void SwatchMargin::paintEvent(QPaintEvent *event)
{
    const QWidget *view = parentWidget();
    QPainter painter(this);
    painter.fillRect(event->rect(), view->palette().color(QPalette::Window));
    const QPixmap warning = m_withMarks
        ? view->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(fontMetrics().height())
        : QPixmap();
    const int lineSpacing = fontMetrics().lineSpacing();
    for (const ShownLine &line :
        m_lines.shownBetween(event->rect().top(), event->rect().bottom())) {
        const int height = qMin(line.height, lineSpacing);
        if (const std::optional<ScreenColour> swatch = swatchOf(line.number))
            paintSwatch(painter, *swatch, swatchRect(line.top, height));
        if (m_withMarks && !m_lines.markOf(line.number).isEmpty())
            painter.drawPixmap(markRect(line.top, height), warning);
    }
}

void SwatchMargin::paintSwatch(
    QPainter &painter, const ScreenColour &swatch, const QRect &square) const
{
    painter.fillRect(square, swatch.colour);
    painter.setPen(parentWidget()->palette().color(QPalette::Mid));
    painter.drawRect(square.adjusted(0, 0, -1, -1));
    if (swatch.outOfGamut) {
        // A corner cut off in black and white: visible on any colour.
        const QPoint corner = square.topRight();
        const int cut = square.width() / 2;
        const QPolygon triangle({ corner, corner - QPoint(cut, 0), corner + QPoint(0, cut) });
        painter.setBrush(Qt::white);
        painter.setPen(Qt::black);
        painter.drawPolygon(triangle);
        painter.setBrush(Qt::NoBrush);
    }
}
