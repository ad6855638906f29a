#pragma once
// A picture control with a stretch switch. With stretching off it takes the
// natural size of its picture (its pixels as the screen's device pixels, in
// twips) and shows it unscaled, a picture pixel a device pixel; with
// stretching on it keeps whatever size it is given and scales the picture
// smoothly to fill it exactly, proportions not kept. It has no drawing surface of its
// own: each paint draws only the exposed part straight from the picture's
// pixels, so neither the picture's size nor the control's costs memory or
// time beyond what is on screen. The picture shares its pixels with whoever
// gave it.

#include <QImage>
#include <QWidget>

class ImageControl : public QWidget
{
    Q_OBJECT
public:
    explicit ImageControl(QWidget *parent);

    const QImage &Picture() const { return m_picture; }
    // With stretching off the control takes the new picture's natural size.
    void setPicture(const QImage &picture);
    bool Stretch() const { return m_stretch; }
    // Switching it off takes the picture's natural size (an empty picture keeps the size).
    void setStretch(bool on);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void takeNaturalSize();

    QImage m_picture;
    bool m_stretch = false;
};
