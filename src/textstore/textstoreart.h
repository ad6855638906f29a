#pragma once
// The text store's icons, drawn in code so they scale with nothing and need no files.

#include <QImage>

namespace textstoreart {

QImage pasteIcon(const QSize &size);   // clipboard with an arrow into a list
QImage copyIcon(const QSize &size);    // two sheets
QImage enlargeIcon(const QSize &size); // a frame with arrows outwards

} // namespace textstoreart
