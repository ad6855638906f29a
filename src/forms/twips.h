#pragma once
// Twips (1/1440 inch) geometry of controls. A control remembers the twips it
// was given, so reading them back returns exactly what was set as long as the
// pixels have not changed since.

#include <QRect>

class QWidget;

namespace twips {

double perPixelX();
double perPixelY();
int toPixelsX(double tw);
int toPixelsY(double tw);

// A window's outer extent in twips and its client extent in the toolkit's
// pixels, with the window manager's frame (left + right, or top + bottom)
// in device pixels: the frame does not scale with the toolkit's scale
// factor, so the two meet in device pixels. `dpr` is device pixels per
// toolkit pixel.
int clientPixels(int outerTwips, double twipsPerPixel, double dpr, int frameDevice);
int outerTwips(int clientPixels, double twipsPerPixel, double dpr, int frameDevice);

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect &) const = default;
};

// Places a child control at Left, Top, Width, Height twips.
void place(QWidget *control, int left, int top, int width, int height);
Rect of(const QWidget *control);
void setLeft(QWidget *control, int left);
void setTop(QWidget *control, int top);
void setWidth(QWidget *control, int width);
void setHeight(QWidget *control, int height);

} // namespace twips
