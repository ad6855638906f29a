#include "imagecontrol.h"

#include "twips.h"

#include <QPaintEvent>
#include <QPainter>

#include <cmath>

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
    twips::setWidth(this, static_cast<int>(std::lround(m_picture.width() * twips::perPixelX())));
    twips::setHeight(this, static_cast<int>(std::lround(m_picture.height() * twips::perPixelY())));
}

void ImageControl::paintEvent(QPaintEvent *event)
{
    if (m_picture.isNull() || width() <= 0 || height() <= 0)
        return;
    // The painter is clipped to the exposed region already.
    QPainter p(this);
    if (!m_stretch || size() == m_picture.size()) {
        // Unscaled: only the exposed part of the picture is copied.
        const QRect part = event->rect() & m_picture.rect();
        if (!part.isEmpty())
            p.drawImage(part.topLeft(), m_picture, part);
        return;
    }
    // Scaled as a plain copy of the nearest pixels; the painter visits only
    // the exposed pixels of the control.
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.drawImage(QRectF(rect()), m_picture, QRectF(m_picture.rect()));
}
