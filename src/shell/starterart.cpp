#include "starterart.h"

#include "forms/artwork.h"

#include <QPainter>
#include <QPainterPath>

namespace starterart {

namespace {

void smooth(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);
}

} // namespace

QImage helpPicture()
{
    QImage img = artwork::canvas(QSize(23, 23));
    QPainter p(&img);
    smooth(p);
    p.setPen(QPen(QColor(0, 40, 120), 1));
    p.setBrush(QColor(30, 90, 200));
    p.drawEllipse(QRectF(0.5, 0.5, 22, 22));
    // The question mark as strokes, so it needs no font.
    QPainterPath q;
    q.moveTo(8, 8.5);
    q.cubicTo(8, 4.5, 15, 4.5, 15, 8.5);
    q.cubicTo(15, 11, 11.5, 11.5, 11.5, 14);
    p.setPen(QPen(Qt::white, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(q);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(11.5, 17.6), 1.6, 1.6);
    return img;
}

QImage imageStoreIcon()
{
    QImage img = artwork::canvas(QSize(32, 32));
    QPainter p(&img);
    smooth(p);
    p.setPen(QPen(QColor(90, 55, 20), 1));
    p.setBrush(QColor(170, 110, 50));
    p.drawRect(QRectF(1.5, 4.5, 29, 23));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 200, 250));
    p.drawRect(QRectF(4, 7, 24, 18));
    p.setBrush(QColor(255, 210, 0));
    p.drawEllipse(QPointF(22, 11.5), 2.6, 2.6);
    QPainterPath hills;
    hills.moveTo(4, 25);
    hills.lineTo(11, 14);
    hills.lineTo(16, 20);
    hills.lineTo(20, 16);
    hills.lineTo(28, 25);
    hills.closeSubpath();
    p.setBrush(QColor(40, 140, 60));
    p.drawPath(hills);
    return img;
}

QImage textStoreIcon()
{
    QImage img = artwork::canvas(QSize(32, 32));
    QPainter p(&img);
    smooth(p);
    QPainterPath sheet;
    sheet.moveTo(6.5, 2.5);
    sheet.lineTo(20.5, 2.5);
    sheet.lineTo(26.5, 8.5);
    sheet.lineTo(26.5, 29.5);
    sheet.lineTo(6.5, 29.5);
    sheet.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.setBrush(QColor(220, 220, 220));
    p.drawPolygon(QPolygonF({QPointF(20.5, 2.5), QPointF(20.5, 8.5), QPointF(26.5, 8.5)}));
    p.setPen(QPen(QColor(20, 60, 160), 1.4));
    for (int i = 0; i < 6; ++i) {
        const double y = 11.5 + i * 3;
        p.drawLine(QPointF(9.5, y), QPointF(i % 3 == 2 ? 17.5 : 23.5, y));
    }
    return img;
}

QImage trayPicture()
{
    QImage img = artwork::canvas(QSize(78, 36));
    QPainter p(&img);
    smooth(p);
    // A screen corner with a task bar and the notification area at its right.
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(QColor(235, 240, 250));
    p.drawRect(QRectF(0.5, 0.5, 77, 35));
    p.setBrush(QColor(50, 70, 120));
    p.drawRect(QRectF(0.5, 26.5, 77, 9));
    p.setBrush(QColor(90, 110, 160));
    p.drawRect(QRectF(52.5, 27.5, 24, 7));
    const QImage icon = programIcon(16).scaled(7, 7, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    p.drawImage(QPointF(66, 27.5), icon);
    // A small window...
    p.setPen(QPen(QColor(30, 30, 30), 1));
    p.setBrush(QColor(0, 90, 200));
    p.drawRect(QRectF(6.5, 4.5, 26, 4));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 8.5, 26, 12));
    // ...and the arrow that takes it to the icon.
    QPainterPath arrow;
    arrow.moveTo(36, 12);
    arrow.cubicTo(52, 10, 62, 14, 66, 21);
    p.setPen(QPen(QColor(200, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arrow);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 30, 30));
    p.drawPolygon(QPolygonF({QPointF(61.5, 20.5), QPointF(69, 25.5), QPointF(69.5, 16.5)}));
    return img;
}

QImage exitIcon()
{
    QImage img = artwork::canvas(QSize(32, 32));
    QPainter p(&img);
    smooth(p);
    p.setPen(QPen(QColor(110, 0, 0), 1));
    p.setBrush(QColor(210, 30, 30));
    p.drawEllipse(QRectF(1.5, 1.5, 29, 29));
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(8.5, 8.5, 15, 15), 120 * 16, 300 * 16);
    p.drawLine(QPointF(16, 6.5), QPointF(16, 15));
    return img;
}

QImage programIcon(int size)
{
    QImage img = artwork::canvas(QSize(size, size));
    QPainter p(&img);
    smooth(p);
    p.scale(size / 32.0, size / 32.0);
    // Board, clip, sheet with writing and a small picture.
    p.setPen(QPen(QColor(80, 50, 15), 1));
    p.setBrush(QColor(190, 130, 60));
    p.drawRoundedRect(QRectF(3.5, 3.5, 25, 27), 2.5, 2.5);
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(120, 120, 120), 1));
    p.drawRect(QRectF(6.5, 7.5, 19, 20.5));
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(170, 170, 180));
    p.drawRoundedRect(QRectF(10.5, 1.5, 11, 5), 1.5, 1.5);
    p.setPen(QPen(QColor(20, 60, 160), 1.5));
    p.drawLine(QPointF(9, 11.5), QPointF(23, 11.5));
    p.drawLine(QPointF(9, 15), QPointF(20, 15));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(120, 180, 240));
    p.drawRect(QRectF(9, 18, 14, 8));
    p.setBrush(QColor(40, 140, 60));
    p.drawPolygon(QPolygonF({QPointF(9, 26), QPointF(14, 20), QPointF(18, 24), QPointF(20, 22), QPointF(23, 26)}));
    return img;
}

QIcon programIcon()
{
    // Drawn once: the program, the selector and the tray all show it. Kept
    // to the end of the process, past the application object its pixmaps need.
    static const QIcon *const icon = [] {
        auto *drawn = new QIcon;
        for (int size : {16, 22, 24, 32, 48, 64})
            drawn->addPixmap(QPixmap::fromImage(programIcon(size)));
        return drawn;
    }();
    return *icon;
}

} // namespace starterart
