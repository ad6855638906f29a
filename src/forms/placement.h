#pragma once
// Where a new window goes so that the program's other windows cover none of
// it: plain rectangles in one unit, no window.

#include <QList>
#include <QRect>

namespace placement {

// The top left for a window of `wanted`'s size (frame included) whose title
// bar is its top `titleHeight`, as near to `wanted` as it can be within
// `area`: where it meets none of `others`; where the area has no such place,
// where its title bar meets none of them and as little of the rest as can
// be does; `wanted` when not even its title bar finds a clear place.
QPoint clearOf(const QRect &wanted, int titleHeight, const QRect &area, const QList<QRect> &others);

} // namespace placement
