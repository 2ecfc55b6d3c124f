#include "progressindicator.h"

#include <QLinearGradient>
#include <QPainter>

ProgressIndicator::ProgressIndicator(QWidget *parent)
    : QWidget(parent)
{
    resize(fullWidth, barHeight);
}

void ProgressIndicator::setBarWidth(int width)
{
    resize(qBound(0, width, fullWidth), barHeight);
}

void ProgressIndicator::paintEvent(QPaintEvent *)
{
    // Aquamarine to blue, tilted slightly upward, in the bar's own unit coordinates.
    QLinearGradient gradient(QPointF(0, 0.5437443), QPointF(1, 0.4562557));
    gradient.setCoordinateMode(QGradient::ObjectBoundingMode);
    gradient.setColorAt(0, QColor(0x7F, 0xFF, 0xD4));
    gradient.setColorAt(1, QColor(0x00, 0x00, 0xFF));

    QPainter painter(this);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(gradient);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
