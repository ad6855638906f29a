#include "textstoreart.h"

#include "forms/artwork.h"

#include <QPainter>
#include <QPainterPath>

namespace textstoreart {

using artwork::canvas;

QImage pasteIcon(const QSize &size)
{
    QImage img = canvas(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = size.width(), h = size.height();
    p.setPen(QPen(QColor(90, 60, 20), 1));
    p.setBrush(QColor(200, 150, 80));
    p.drawRoundedRect(QRectF(w * 0.08, h * 0.12, w * 0.5, h * 0.8), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(w * 0.16, h * 0.28, w * 0.34, h * 0.56));
    p.setBrush(QColor(0, 140, 0));
    p.setPen(Qt::NoPen);
    QPainterPath arrow;
    arrow.moveTo(w * 0.58, h * 0.40);
    arrow.lineTo(w * 0.78, h * 0.40);
    arrow.lineTo(w * 0.78, h * 0.22);
    arrow.lineTo(w * 0.98, h * 0.52);
    arrow.lineTo(w * 0.78, h * 0.82);
    arrow.lineTo(w * 0.78, h * 0.64);
    arrow.lineTo(w * 0.58, h * 0.64);
    arrow.closeSubpath();
    p.drawPath(arrow);
    return img;
}

QImage copyIcon(const QSize &size)
{
    QImage img = canvas(size);
    QPainter p(&img);
    const double w = size.width(), h = size.height();
    p.setPen(QPen(QColor(30, 30, 120), 1));
    p.setBrush(QColor(220, 230, 255));
    p.drawRect(QRectF(w * 0.10, h * 0.08, w * 0.45, h * 0.62));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(w * 0.40, h * 0.30, w * 0.45, h * 0.62));
    p.setPen(QColor(30, 30, 120));
    for (double y = 0.45; y < 0.85; y += 0.15)
        p.drawLine(QPointF(w * 0.47, h * y), QPointF(w * 0.78, h * y));
    return img;
}

QImage enlargeIcon(const QSize &size)
{
    QImage img = canvas(size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = size.width(), h = size.height();
    p.setPen(QPen(QColor(0, 0, 0), 1.5));
    p.setBrush(QColor(255, 255, 200));
    p.drawRect(QRectF(w * 0.25, h * 0.25, w * 0.5, h * 0.5));
    p.setPen(QPen(QColor(160, 0, 0), 2));
    const QPointF c(w / 2, h / 2);
    const QPointF corners[4] = {{w * 0.06, h * 0.06}, {w * 0.94, h * 0.06}, {w * 0.06, h * 0.94}, {w * 0.94, h * 0.94}};
    for (const QPointF &q : corners) {
        const QPointF from = c + (q - c) * 0.62;
        p.drawLine(from, q);
        const QPointF dx((q.x() < c.x() ? 1 : -1) * w * 0.16, 0), dy(0, (q.y() < c.y() ? 1 : -1) * h * 0.16);
        p.drawLine(q, q + dx);
        p.drawLine(q, q + dy);
    }
    return img;
}

} // namespace textstoreart
