#pragma once
// The image store's own bitmaps (70 x 46 pixels, 24 bits), shipped as resources.

#include <QImage>

namespace imageartwork {

// The clipboard preview's placeholder.
QImage placeholder();
// The design-time sample pictures of thumbnails 0, 1 and 2; a null image for any other index.
QImage sample(int index);

} // namespace imageartwork
