#pragma once
// modMain's fitted painter: the picture of one picture box drawn into
// another, scaled by the smaller of the two ratios limit/size, the target
// resized to exactly the drawn size.

#include <cstdint>
#include <optional>

class PictureBox;

namespace modMain {

struct FittedSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const FittedSize &) const = default;
};

// The drawn size for limits maxWidth x maxHeight and a source inner area of
// sw x sh. Nothing when the source has no area (the ratios would divide by
// zero) or the size is negative or does not fit a 32-bit integer.
std::optional<FittedSize> fittedSize(std::int32_t maxWidth, std::int32_t maxHeight, double sw, double sh);

// Draws the whole picture of `source` (a plain unsmoothed copy) into the
// top left of `target`'s inner area, fitted to maxWidth x maxHeight pixels,
// after setting target's outer size to the drawn size in twips. The sizes
// are the boxes' pixels; the target samples the picture at the screen's
// device pixels (twice as many each way at twice the pixels). Skips what
// it cannot do: nothing at all for a source without area, no drawing for an
// empty picture.
void PaintFitted(std::int32_t maxWidth, std::int32_t maxHeight, PictureBox &source, PictureBox &target);

} // namespace modMain
