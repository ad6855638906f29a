#pragma once
// Twips (1/1440 inch) geometry of controls. A control remembers the twips it
// was given, so reading them back returns exactly what was set as long as the
// pixels have not changed since.

#include "forms/twipsmath.h"

#include <QRect>

class QWidget;

namespace twips {

// Twips per toolkit pixel of the screen, each way.
double perPixelX();
double perPixelY();
// The screen's axes, with a window manager's frame of `frameDevice` device
// pixels at `dpr` device pixels per toolkit pixel (see twipsmath.h).
Axis horizontal(int frameDevice = 0, double dpr = 1);
Axis vertical(int frameDevice = 0, double dpr = 1);
int toPixelsX(double tw);
int toPixelsY(double tw);

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect &) const = default;
};

// Pixels a control is given beyond the twips it is placed at, so that it
// follows an edge of its window's client area; its twips read back as placed.
struct Extra {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};
void setExtra(QWidget *control, const Extra &extra);

// A control that takes some heights only (a list box: whole rows). Placed
// in a height, it is given the one it takes within it; its twips read back
// as placed.
class FitsHeight
{
public:
    // The height in pixels the control takes within `height` pixels.
    virtual int fittedHeight(int height) const = 0;

protected:
    ~FitsHeight() = default;
};

// Places a child control at Left, Top, Width, Height twips.
void place(QWidget *control, int left, int top, int width, int height);
Rect of(const QWidget *control);
void setLeft(QWidget *control, int left);
void setTop(QWidget *control, int top);
void setWidth(QWidget *control, int width);
void setHeight(QWidget *control, int height);

} // namespace twips
