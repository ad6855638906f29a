#pragma once
// The selector window's images, drawn in code: its five picture buttons and
// the program icon (window and notification area).

#include <QIcon>
#include <QImage>

namespace starterart {

QImage helpPicture();       // 23 x 23: a blue disc with a question mark
QImage imageStoreIcon();    // 32 x 32: a framed landscape
QImage textStoreIcon();     // 32 x 32: a written sheet
QImage trayPicture();       // 78 x 36: a window dropping into the corner of a task bar
QImage exitIcon();          // 32 x 32: a red disc with a power sign
QImage programIcon(int size); // a clipboard holding a sheet and a small picture
QIcon programIcon();          // programIcon at the usual icon sizes

} // namespace starterart
