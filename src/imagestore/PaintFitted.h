#pragma once
// modMain's fitted painter: the picture of one picture box drawn into
// another, scaled by the smaller of the two ratios limit/size, the target
// resized to exactly the drawn size.

#include "imagestore/fittedsize.h"

#include <cstdint>

class PictureBox;

namespace modMain {

// Draws the whole picture of `source` (smoothly scaled) into the
// top left of `target`'s inner area, fitted to maxWidth x maxHeight pixels,
// after setting target's outer size to the drawn size in twips. The sizes
// are the boxes' pixels; the target samples the picture at the screen's
// device pixels (twice as many each way at twice the pixels). Skips what
// it cannot do: nothing at all for a source without area, no drawing for an
// empty picture.
void PaintFitted(std::int32_t maxWidth, std::int32_t maxHeight, PictureBox &source, PictureBox &target);

} // namespace modMain
