#pragma once
// Twips (1/1440 inch) and pixels as pure arithmetic, and the rule by which a
// length set in twips reads back as set.

#include <optional>

namespace twips {

// How lengths along one axis convert: twips per toolkit pixel and, for a
// window's outer extent, the window manager's frame on both sides in device
// pixels with the device pixels per toolkit pixel. The frame does not scale
// with the toolkit's scale factor, so frame and window meet in device pixels.
struct Axis {
    double twipsPerPixel = 15;
    int frameDevice = 0;
    double dpr = 1;
};

// The pixels of `tw` twips (with a frame: the client extent inside an outer
// extent of `tw`), to the nearest pixel.
int toPixels(double tw, const Axis &axis);
// The twips of `px` pixels (with a frame: the outer extent around a client
// extent of `px`), to the nearest twip.
int toTwips(double px, const Axis &axis);

// What a length reads as in twips when it is `px` pixels now and was last
// set to `set` twips: exactly those twips for as long as they still come to
// `px` pixels, else `px` in twips.
int recall(std::optional<int> set, int px, const Axis &axis);

} // namespace twips
