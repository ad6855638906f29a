#pragma once
// What the windows' own pictures, drawn in code, have in common: the
// transparent sheet they are drawn on, and the hand pointer of the buttons.

#include <QCursor>
#include <QImage>

namespace artwork {

// A transparent picture of `size` to draw on.
QImage canvas(const QSize &size);
// The 32 x 32 monochrome pointer shown over the stores' buttons.
QCursor handCursor();

} // namespace artwork
