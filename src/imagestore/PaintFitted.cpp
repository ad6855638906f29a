#include "PaintFitted.h"

#include "forms/controls.h"
#include "forms/twips.h"
#include "forms/vbnum.h"

namespace modMain {

std::optional<FittedSize> fittedSize(std::int32_t maxWidth, std::int32_t maxHeight, double sw, double sh)
{
    if (!(sw > 0) || !(sh > 0))
        return std::nullopt;
    const double rW = maxWidth / sw;
    const double rH = maxHeight / sh;
    const double e = sw * rH;
    const double k = maxWidth < e ? rW : rH;
    const auto w = vbnum::toInt32(sw * k);
    const auto h = vbnum::toInt32(sh * k);
    if (!w || !h || *w < 0 || *h < 0)
        return std::nullopt;
    return FittedSize{*w, *h};
}

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
    target.paintStretched(source.Picture(), QRect(0, 0, size->width, size->height));
}

} // namespace modMain
