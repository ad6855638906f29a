#pragma once
// modMain's fitted size as pure arithmetic: a source scaled by the smaller
// of the two ratios limit/size, rounded as the legacy design rounds.

#include <cstdint>
#include <optional>

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

} // namespace modMain
