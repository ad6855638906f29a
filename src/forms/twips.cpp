#include "forms/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace twips {

namespace {

double dpi(bool x)
{
    const QScreen *s = QGuiApplication::primaryScreen();
    const double d = s ? (x ? s->logicalDotsPerInchX() : s->logicalDotsPerInchY()) : 96.0;
    return d > 0 ? d : 96.0;
}

constexpr const char *kTwips = "merkolo.twips";

// The twips a control was last placed at, if any.
std::optional<QRect> remembered(const QWidget *c)
{
    const QVariant v = c->property(kTwips);
    return v.isValid() ? std::optional<QRect>(v.toRect()) : std::nullopt;
}

constexpr const char *kExtra = "merkolo.twipsExtra";

// The extra pixels as left, top, width, height.
QRect extraOf(const QWidget *c)
{
    return c->property(kExtra).toRect();
}

constexpr const char *kFitted = "merkolo.twipsFitted";

void apply(QWidget *c, const Rect &r)
{
    c->setProperty(kTwips, QRect(r.left, r.top, r.width, r.height));
    const QRect e = extraOf(c);
    const int height = std::max(0, toPixelsY(r.height) + e.height());
    const auto *fits = dynamic_cast<const FitsHeight *>(c);
    const int fitted = fits ? std::clamp(fits->fittedHeight(height), 0, height) : height;
    c->setProperty(kFitted, height - fitted);
    c->setGeometry(toPixelsX(r.left) + e.x(), toPixelsY(r.top) + e.y(), std::max(0, toPixelsX(r.width) + e.width()),
                   fitted);
}

} // namespace

double perPixelX() { return 1440.0 / dpi(true); }
double perPixelY() { return 1440.0 / dpi(false); }
Axis horizontal(int frameDevice, double dpr) { return {perPixelX(), frameDevice, dpr}; }
Axis vertical(int frameDevice, double dpr) { return {perPixelY(), frameDevice, dpr}; }
int toPixelsX(double tw) { return toPixels(tw, horizontal()); }
int toPixelsY(double tw) { return toPixels(tw, vertical()); }

void place(QWidget *control, int left, int top, int width, int height)
{
    apply(control, {left, top, width, height});
}

Rect of(const QWidget *control)
{
    const std::optional<QRect> set = remembered(control);
    const QRect e = extraOf(control);
    const QRect px(control->x() - e.x(), control->y() - e.y(), control->width() - e.width(),
                   control->height() + control->property(kFitted).toInt() - e.height());
    auto field = [&set](int (QRect::*get)() const) {
        return set ? std::optional<int>(((*set).*get)()) : std::nullopt;
    };
    return {recall(field(&QRect::x), px.x(), horizontal()), recall(field(&QRect::y), px.y(), vertical()),
            recall(field(&QRect::width), px.width(), horizontal()),
            recall(field(&QRect::height), px.height(), vertical())};
}

void setExtra(QWidget *c, const Extra &e)
{
    const Rect r = of(c);
    c->setProperty(kExtra, QRect(e.left, e.top, e.width, e.height));
    apply(c, r);
}

void setLeft(QWidget *c, int v) { Rect r = of(c); r.left = v; apply(c, r); }
void setTop(QWidget *c, int v) { Rect r = of(c); r.top = v; apply(c, r); }
void setWidth(QWidget *c, int v) { Rect r = of(c); r.width = v; apply(c, r); }
void setHeight(QWidget *c, int v) { Rect r = of(c); r.height = v; apply(c, r); }

} // namespace twips
