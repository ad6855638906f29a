#include "forms/imagecontrol.h"

#include "forms/twips.h"

#include <QPaintEvent>
#include <QPainter>

// Transparent where there is no picture: the window's background shows.
ImageControl::ImageControl(QWidget *parent)
    : QWidget(parent)
{
}

void ImageControl::setPicture(const QImage &picture)
{
    m_picture = picture;
    if (!m_stretch)
        takeNaturalSize();
    update();
}

void ImageControl::setStretch(bool on)
{
    m_stretch = on;
    if (!on)
        takeNaturalSize();
    update();
}

void ImageControl::takeNaturalSize()
{
    if (m_picture.isNull())
        return;
    // One picture pixel a device pixel: twips are the screen's, so at twice the
    // pixels a picture pixel is half a pixel of the toolkit.
    const double dpr = devicePixelRatioF();
    twips::setWidth(this, twips::toTwips(m_picture.width() / dpr, twips::horizontal()));
    twips::setHeight(this, twips::toTwips(m_picture.height() / dpr, twips::vertical()));
}

void ImageControl::paintEvent(QPaintEvent *event)
{
    if (m_picture.isNull() || width() <= 0 || height() <= 0)
        return;
    // The painter is clipped to the exposed region already.
    QPainter p(this);
    const double dpr = devicePixelRatioF();
    if (!m_stretch || QSizeF(size()) * dpr == QSizeF(m_picture.size())) {
        // Unscaled, a picture pixel a device pixel: only the exposed part of the picture is copied.
        const QRectF exposed(event->rect());
        const QRect part = QRectF(exposed.topLeft() * dpr, exposed.size() * dpr).toAlignedRect() & m_picture.rect();
        if (!part.isEmpty())
            p.drawImage(QRectF(QPointF(part.topLeft()) / dpr, QSizeF(part.size()) / dpr), m_picture, QRectF(part));
        return;
    }
    // Scaled smoothly (each device pixel blended from the picture's pixels
    // around its place, no blocky edges); the painter visits only the
    // exposed pixels of the control.
    p.setRenderHint(QPainter::SmoothPixmapTransform, true);
    p.drawImage(QRectF(rect()), m_picture, QRectF(m_picture.rect()));
}
