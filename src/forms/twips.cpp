#include "forms/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include <cmath>

namespace twips {

namespace {

double dpi(bool x)
{
    const QScreen *s = QGuiApplication::primaryScreen();
    const double d = s ? (x ? s->logicalDotsPerInchX() : s->logicalDotsPerInchY()) : 96.0;
    return d > 0 ? d : 96.0;
}

constexpr const char *kTwips = "merkolo.twips";

int pxOf(const Rect &r, int field)
{
    switch (field) {
    case 0: return toPixelsX(r.left);
    case 1: return toPixelsY(r.top);
    case 2: return toPixelsX(r.width);
    default: return toPixelsY(r.height);
    }
}

int twOf(const QRect &px, int field)
{
    switch (field) {
    case 0: return static_cast<int>(std::lround(px.x() * perPixelX()));
    case 1: return static_cast<int>(std::lround(px.y() * perPixelY()));
    case 2: return static_cast<int>(std::lround(px.width() * perPixelX()));
    default: return static_cast<int>(std::lround(px.height() * perPixelY()));
    }
}

Rect remembered(const QWidget *c)
{
    const QVariant v = c->property(kTwips);
    if (!v.isValid())
        return {};
    const QRect r = v.toRect();
    return {r.x(), r.y(), r.width(), r.height()};
}

void apply(QWidget *c, const Rect &r)
{
    c->setProperty(kTwips, QRect(r.left, r.top, r.width, r.height));
    c->setGeometry(toPixelsX(r.left), toPixelsY(r.top), std::max(0, toPixelsX(r.width)),
                   std::max(0, toPixelsY(r.height)));
}

} // namespace

double perPixelX() { return 1440.0 / dpi(true); }
double perPixelY() { return 1440.0 / dpi(false); }
int toPixelsX(double tw) { return static_cast<int>(std::lround(tw / perPixelX())); }
int toPixelsY(double tw) { return static_cast<int>(std::lround(tw / perPixelY())); }

int clientPixels(int outerTwips, double twipsPerPixel, double dpr, int frameDevice)
{
    return static_cast<int>(std::lround(outerTwips / twipsPerPixel - frameDevice / dpr));
}

int outerTwips(int clientPixels, double twipsPerPixel, double dpr, int frameDevice)
{
    return static_cast<int>(std::lround((clientPixels + frameDevice / dpr) * twipsPerPixel));
}

void place(QWidget *control, int left, int top, int width, int height)
{
    apply(control, {left, top, width, height});
}

Rect of(const QWidget *control)
{
    const Rect mem = remembered(control);
    const QRect px = control->geometry();
    const int actual[4] = {px.x(), px.y(), px.width(), px.height()};
    const int memField[4] = {mem.left, mem.top, mem.width, mem.height};
    int out[4];
    for (int f = 0; f < 4; ++f)
        out[f] = pxOf(mem, f) == actual[f] ? memField[f] : twOf(px, f);
    return {out[0], out[1], out[2], out[3]};
}

void setLeft(QWidget *c, int v) { Rect r = of(c); r.left = v; apply(c, r); }
void setTop(QWidget *c, int v) { Rect r = of(c); r.top = v; apply(c, r); }
void setWidth(QWidget *c, int v) { Rect r = of(c); r.width = v; apply(c, r); }
void setHeight(QWidget *c, int v) { Rect r = of(c); r.height = v; apply(c, r); }

} // namespace twips
