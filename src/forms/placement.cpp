#include "forms/placement.h"

#include <algorithm>
#include <optional>
#include <tuple>

namespace placement {

namespace {

// The pixels of `window` that lie under one of `others`.
qint64 covered(const QRect &window, const QList<QRect> &others)
{
    qint64 sum = 0;
    for (const QRect &o : others) {
        const QRect under = o.intersected(window);
        sum += qint64(under.width()) * under.height();
    }
    return sum;
}

bool barClear(const QRect &window, int titleHeight, const QList<QRect> &others)
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

QPoint clearOf(const QRect &wanted, int titleHeight, const QRect &area, const QList<QRect> &others)
{
    if (covered(wanted, others) == 0)
        return wanted.topLeft();
    // Beside, above or below each other window, or where it was wanted, along each axis.
    QList<int> xs{wanted.x()};
    QList<int> ys{wanted.y()};
    for (const QRect &o : others) {
        xs << o.right() + 1 << o.left() - wanted.width();
        ys << o.bottom() + 1 << o.top() - wanted.height() << o.top() - titleHeight;
    }
    QPoint best = wanted.topLeft();
    std::optional<std::tuple<qint64, qint64>> bestScore; // pixels covered, then the distance squared
    for (int x : xs) {
        for (int y : ys) {
            const QRect r(QPoint(within(x, wanted.width(), area.left(), area.right()),
                                 within(y, wanted.height(), area.top(), area.bottom())),
                          wanted.size());
            if (!barClear(r, titleHeight, others))
                continue;
            const QPoint d = r.topLeft() - wanted.topLeft();
            const std::tuple<qint64, qint64> score{covered(r, others), qint64(d.x()) * d.x() + qint64(d.y()) * d.y()};
            if (!bestScore || score < *bestScore) {
                best = r.topLeft();
                bestScore = score;
            }
        }
    }
    return best;
}

} // namespace placement
