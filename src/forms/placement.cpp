#include "forms/placement.h"

#include <algorithm>
#include <limits>

namespace placement {

namespace {

bool clear(const QRect &window, int titleHeight, const QList<QRect> &others)
{
    const QRect bar(window.topLeft(), QSize(window.width(), titleHeight));
    return std::none_of(others.begin(), others.end(), [&](const QRect &o) { return o.intersects(bar); });
}

// `at` moved into `area` as far as the window's size lets it (its top left first).
int within(int at, int size, int low, int high)
{
    return std::max(low, std::min(at, high - size + 1));
}

} // namespace

QPoint titleBarClear(const QRect &wanted, int titleHeight, const QRect &area, const QList<QRect> &others)
{
    if (clear(wanted, titleHeight, others))
        return wanted.topLeft();
    QList<int> xs{wanted.x()};
    QList<int> ys{wanted.y()};
    for (const QRect &o : others) {
        xs << o.right() + 1 << o.left() - wanted.width();
        ys << o.bottom() + 1 << o.top() - titleHeight;
    }
    QPoint best = wanted.topLeft();
    qint64 bestDistance = std::numeric_limits<qint64>::max();
    for (int x : xs) {
        for (int y : ys) {
            const QRect r(QPoint(within(x, wanted.width(), area.left(), area.right()),
                                 within(y, wanted.height(), area.top(), area.bottom())),
                          wanted.size());
            const QPoint d = r.topLeft() - wanted.topLeft();
            const qint64 distance = qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
            if (distance < bestDistance && clear(r, titleHeight, others)) {
                best = r.topLeft();
                bestDistance = distance;
            }
        }
    }
    return best;
}

} // namespace placement
