#pragma once
// The picture box of the design: a picture under a drawing surface.

#include "platform/clipboard/storedpicture.h"

#include <QColor>
#include <QImage>
#include <QWidget>

// A picture box: a picture property (shared pixels, or the shared bytes a
// picture came as, never copied; see storedpicture.h) under a
// persistent drawing surface. Setting the picture clears what was drawn.
// The surface holds the screen's device pixels (twice the box's pixels each
// way at twice the pixels), so what is drawn into it is as sharp as the
// screen; coordinates given to it are the box's pixels all the same.
class PictureBox : public QWidget
{
    Q_OBJECT
public:
    enum class Scale { Twips, Pixels };
    explicit PictureBox(QWidget *parent, Scale scale = Scale::Twips);

    // The picture's pixels (decoded now when held as bytes only).
    QImage Picture() const { return m_picture.pixels(); }
    const StoredPicture &stored() const { return m_picture; }
    // Raises Change. Pixels decoded along with a stored picture's bytes are
    // kept until the events of the moment are handled, then dropped.
    void setPicture(const QImage &picture);
    void setPicture(const StoredPicture &picture);
    // True when the picture holds an image (a handle other than 0).
    bool hasPicture() const { return !m_picture.isNull(); }

    void setBackColor(const QColor &colour);
    void setBorder(bool on);
    // Inner drawing area in the box's own scale unit.
    double ScaleWidth() const;
    double ScaleHeight() const;
    Scale scaleMode() const { return m_scale; }
    // Stretches the whole of `source` into the rectangle (pixels of the inner
    // area) on the persistent surface, smoothly scaled to the surface's
    // device pixels (an exact copy where the sizes match).
    void paintStretched(const QImage &source, const QRect &target);
    // The same from a stored picture, through its kept rendering of that size.
    void paintStretched(const StoredPicture &source, const QRect &target);
    void clearSurface();
    // The drawn surface in device pixels, and device pixels per pixel of the box.
    const QImage &surface() const { return m_surface; }
    double surfaceRatio() const { return m_ratio; }

signals:
    void Change();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QRect innerRect() const;
    // Grows the surface to cover `size` pixels of the box.
    void growSurface(const QSize &size);
    // `target` (pixels of the box) in the surface's device pixels, the surface grown to hold it.
    QRect surfaceTarget(const QRect &target);
    void drawOnSurface(const QPoint &at, const QImage &image);

    StoredPicture m_picture;
    QImage m_corner; // the part of a picture held as bytes that the box shows
    QImage m_surface;
    double m_ratio = 1; // chosen when the surface is made, from the screen of that moment
    QColor m_back;
    Scale m_scale;
    bool m_border = true;
};
