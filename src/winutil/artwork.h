#pragma once
// The program's own small images, drawn in code so they scale with nothing
// and need no files.

#include <QCursor>
#include <QImage>

namespace artwork {

QImage pasteIcon(const QSize &size);   // clipboard with an arrow into a list
QImage copyIcon(const QSize &size);    // two sheets
QImage enlargeIcon(const QSize &size); // a frame with arrows outwards
// The 32 x 32 monochrome pointer shown over the stores' buttons.
QCursor handCursor();

} // namespace artwork
