#include "imagestore/fittedsize.h"

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

} // namespace modMain
