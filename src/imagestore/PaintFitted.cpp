#include "PaintFitted.h"

#include "forms/controls.h"
#include "forms/twips.h"
#include "forms/vbnum.h"

namespace modMain {

void PaintFitted(std::int32_t maxWidth, std::int32_t maxHeight, PictureBox &source, PictureBox &target)
{
    const auto size = fittedSize(maxWidth, maxHeight, source.ScaleWidth(), source.ScaleHeight());
    if (!size)
        return;
    // Outer size in twips, computed in single precision like the rest of the geometry.
    const auto width = vbnum::toInt32(static_cast<float>(size->width * twips::perPixelX()));
    const auto height = vbnum::toInt32(static_cast<float>(size->height * twips::perPixelY()));
    if (!width || !height)
        return;
    twips::setWidth(&target, *width);
    twips::setHeight(&target, *height);
    target.paintStretched(source.stored(), QRect(0, 0, size->width, size->height));
}

} // namespace modMain
