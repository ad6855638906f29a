#pragma once
// What the benchmarks on the real X11 desktop share.

#include "x11.h"

#include <cstdio>

// True when there is an X display to measure on; else says how to get one.
inline bool haveDisplay()
{
    if (x11::available())
        return true;
    std::fprintf(stderr, "needs an X display (eval \"$(scripts/xdesktop)\")\n");
    return false;
}
