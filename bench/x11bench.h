#pragma once
// What the benchmarks on the real X11 desktop share.

#include "x11.h"

#include <algorithm>
#include <cstdio>
#include <vector>

// True when there is an X display to measure on; else says how to get one.
inline bool haveDisplay()
{
    if (x11::available())
        return true;
    std::fprintf(stderr, "needs an X display (eval \"$(scripts/xdesktop)\")\n");
    return false;
}

// One line of figures in milliseconds: median, 90th percentile and maximum.
inline void reportMs(const char *what, std::vector<double> v)
{
    if (v.empty()) {
        std::printf("%-48s no samples\n", what);
        return;
    }
    std::sort(v.begin(), v.end());
    const auto at = [&](double q) { return v[static_cast<size_t>(q * (v.size() - 1))]; };
    std::printf("%-48s median %8.2f ms   p90 %8.2f ms   max %8.2f ms   (n=%zu)\n", what, at(0.5), at(0.9),
                v.back(), v.size());
}
