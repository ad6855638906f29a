#include "forms/picturebox.h"

#include "forms/twips.h"

#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>

#include <algorithm>
#include <cmath>

PictureBox::PictureBox(QWidget *parent, Scale scale)
    : QWidget(parent)
    , m_back(palette().color(QPalette::Button))
    , m_scale(scale)
{
}

void PictureBox::setPicture(const QImage &picture)
{
    setPicture(StoredPicture(picture));
}

void PictureBox::setPicture(const StoredPicture &picture)
{
    m_picture = picture;
    m_corner = QImage();
    if (!m_picture.bytes().isEmpty() && m_picture.hasPixels()) {
        // What the box shows is cut now, while the pixels are at hand.
        m_corner = m_picture.pixels().copy(QRect(QPoint(0, 0), innerRect().size().boundedTo(m_picture.size())));
        QTimer::singleShot(0, this, [this, held = m_picture] {
            if (m_picture.sameAs(held))
                m_picture.forgetPixels();
        });
    }
    clearSurface();
    update();
    emit Change();
}

void PictureBox::setBackColor(const QColor &colour)
{
    m_back = colour;
    update();
}

void PictureBox::setBorder(bool on)
{
    m_border = on;
    update();
}

QRect PictureBox::innerRect() const
{
    const int b = m_border ? 2 : 0;
    return rect().adjusted(b, b, -b, -b);
}

double PictureBox::ScaleWidth() const
{
    const int px = std::max(0, innerRect().width());
    return m_scale == Scale::Pixels ? px : px * twips::perPixelX();
}

double PictureBox::ScaleHeight() const
{
    const int px = std::max(0, innerRect().height());
    return m_scale == Scale::Pixels ? px : px * twips::perPixelY();
}

namespace {

int devicePixels(int px, double ratio)
{
    return static_cast<int>(std::lround(px * ratio));
}

} // namespace

void PictureBox::growSurface(const QSize &size)
{
    if (m_surface.isNull())
        m_ratio = devicePixelRatioF();
    const QSize want =
        m_surface.size().expandedTo(QSize(devicePixels(size.width(), m_ratio), devicePixels(size.height(), m_ratio)));
    if (want == m_surface.size() || want.isEmpty())
        return;
    QImage grown(want, QImage::Format_ARGB32_Premultiplied);
    grown.fill(Qt::transparent);
    if (!m_surface.isNull()) {
        QPainter p(&grown);
        p.drawImage(0, 0, m_surface);
    }
    m_surface = std::move(grown);
}

QRect PictureBox::surfaceTarget(const QRect &target)
{
    growSurface(innerRect().size().expandedTo(QSize(target.right() + 1, target.bottom() + 1)));
    // The target's edges in device pixels, so that neighbouring targets meet without a gap.
    return QRect(QPoint(devicePixels(target.left(), m_ratio), devicePixels(target.top(), m_ratio)),
                 QPoint(devicePixels(target.right() + 1, m_ratio) - 1, devicePixels(target.bottom() + 1, m_ratio) - 1));
}

void PictureBox::drawOnSurface(const QPoint &at, const QImage &image)
{
    if (image.isNull())
        return;
    QPainter p(&m_surface);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(at, image);
    p.end();
    update();
}

void PictureBox::paintStretched(const QImage &source, const QRect &target)
{
    if (source.isNull() || target.isEmpty())
        return;
    const QRect device = surfaceTarget(target);
    drawOnSurface(device.topLeft(), StoredPicture::smoothlyScaled(source, device.size()));
}

void PictureBox::paintStretched(const StoredPicture &source, const QRect &target)
{
    if (source.isNull() || target.isEmpty())
        return;
    const QRect device = surfaceTarget(target);
    drawOnSurface(device.topLeft(), source.rendering(device.size()));
}

void PictureBox::clearSurface()
{
    m_surface = QImage();
    update();
}

void PictureBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (!m_surface.isNull())
        growSurface(innerRect().size());
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QRect inner = innerRect();
    p.fillRect(rect(), m_back);
    if (m_border) {
        p.setPen(QColor(128, 128, 128));
        p.drawLine(0, 0, width() - 1, 0);
        p.drawLine(0, 0, 0, height() - 1);
        p.setPen(QColor(64, 64, 64));
        p.drawLine(1, 1, width() - 2, 1);
        p.drawLine(1, 1, 1, height() - 2);
        p.setPen(Qt::white);
        p.drawLine(0, height() - 1, width() - 1, height() - 1);
        p.drawLine(width() - 1, 0, width() - 1, height() - 1);
    }
    p.setClipRect(inner);
    if (!m_picture.isNull()) {
        if (m_picture.bytes().isEmpty()) {
            p.drawImage(inner.topLeft(), m_picture.pixels());
        } else {
            // A picture held as bytes shows its top left corner, cut once for the box's size.
            const QSize shown = inner.size().boundedTo(m_picture.size());
            if (m_corner.isNull() || m_corner.size().expandedTo(shown) != m_corner.size())
                m_corner = m_picture.pixels().copy(QRect(QPoint(0, 0), shown));
            p.drawImage(inner.topLeft(), m_corner);
        }
    }
    // Device pixel for device pixel on a screen of the surface's ratio.
    if (!m_surface.isNull())
        p.drawImage(QRectF(inner.topLeft(), QSizeF(m_surface.size()) / m_ratio), m_surface);
}
