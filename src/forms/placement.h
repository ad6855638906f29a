#pragma once
// Where a new window goes so that its title bar can be reached: plain
// rectangles in one unit, no window.

#include <QList>
#include <QRect>

namespace placement {

// The top left for a window of `outer` size (frame included) whose title bar
// is its top `titleHeight`: `wanted` when its title bar meets none of
// `others`, else the nearest place within `area` where it meets none (the
// window beside, below or above one of them); `wanted` when there is none.
QPoint titleBarClear(const QRect &wanted, int titleHeight, const QRect &area, const QList<QRect> &others);

} // namespace placement
