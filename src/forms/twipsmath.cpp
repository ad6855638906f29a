#include "forms/twipsmath.h"

#include <cmath>

namespace twips {

int toPixels(double tw, const Axis &axis)
{
    return static_cast<int>(std::lround(tw / axis.twipsPerPixel - axis.frameDevice / axis.dpr));
}

int toTwips(double px, const Axis &axis)
{
    return static_cast<int>(std::lround((px + axis.frameDevice / axis.dpr) * axis.twipsPerPixel));
}

int recall(std::optional<int> set, int px, const Axis &axis)
{
    return set && toPixels(*set, axis) == px ? *set : toTwips(px, axis);
}

} // namespace twips
