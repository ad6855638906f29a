// Twips and pixels as arithmetic: to the nearest pixel and twip, a window's
// outer extent meeting the window manager's frame in device pixels, and a
// length reading back as it was set.

#include "forms/twipsmath.h"

#include <gtest/gtest.h>

#include <cmath>

using twips::Axis;

TEST(TwipsMath, ToTheNearestPixelAndTwip)
{
    // 15 twips a pixel at 96 dpi, 10 at 144 dpi (1.5x), 7.5 at 192 dpi (2x).
    const struct {
        double tw;
        Axis axis;
        int px;
    } toPixels[] = {
        {0, {15}, 0},       {7, {15}, 0},         {7.5, {15}, 1},       {22, {15}, 1},
        {23, {15}, 2},      {29, {15}, 2},        {1440, {15}, 96},     {-22.5, {15}, -2},
        {24, {10}, 2},      {25, {10}, 3},        {15, {10}, 2},        {11.25, {7.5}, 2},
        {1095, {15}, 73},   {1095, {10}, 110},    {1095, {7.5}, 146},
        // A window's client extent inside its outer extent, the frame in device pixels.
        {5400, {15, 6, 1}, 354},  {5400, {15, 6, 2}, 357}, {5400, {15, 21, 1.5}, 346},
        {3675, {15, 25, 1.5}, 228}, {3675, {10, 25, 1.5}, 351},
    };
    for (const auto &r : toPixels)
        EXPECT_EQ(twips::toPixels(r.tw, r.axis), r.px) << r.tw << " tw at " << r.axis.twipsPerPixel;

    const struct {
        double px;
        Axis axis;
        int tw;
    } toTwips[] = {
        {0, {15}, 0},      {1, {15}, 15},    {0.5, {15}, 8},   {1.2, {15}, 18},  {1.3, {15}, 20},
        {3, {7.5}, 23},    {2.5, {10}, 25},  {73, {15}, 1095}, {-1.5, {15}, -23},
        {354, {15, 6, 1}, 5400}, {357, {15, 6, 2}, 5400}, {228, {15, 25, 1.5}, 3670},
    };
    for (const auto &r : toTwips)
        EXPECT_EQ(twips::toTwips(r.px, r.axis), r.tw) << r.px << " px at " << r.axis.twipsPerPixel;
}

// A length set in twips reads back exactly as set for as long as its pixels
// stay; once they change by other means, the pixels speak. Pixels go to
// twips and back unchanged; twips go to pixels and back within half a pixel.
TEST(TwipsMath, ALengthReadsBackAsSetWhileItsPixelsStay)
{
    for (double perPixel : {15.0, 12.5, 10.0, 7.5}) {
        for (int frame : {0, 2, 6, 25}) {
            for (double dpr : {1.0, 1.25, 1.5, 2.0}) {
                const Axis a{perPixel, frame, dpr};
                for (int tw = 0; tw <= 20000; tw += 7) {
                    const int px = twips::toPixels(tw, a);
                    ASSERT_EQ(twips::recall(tw, px, a), tw) << perPixel << " " << frame << " " << dpr << " " << tw;
                    ASSERT_EQ(twips::recall(tw, px + 1, a), twips::toTwips(px + 1, a));
                    ASSERT_EQ(twips::recall(std::nullopt, px, a), twips::toTwips(px, a));
                    ASSERT_LE(std::abs(twips::toTwips(px, a) - tw), perPixel / 2 + 0.5) << tw;
                }
                for (int px = -50; px <= 3000; ++px)
                    ASSERT_EQ(twips::toPixels(twips::toTwips(px, a), a), px) << perPixel << " " << frame << " " << px;
            }
        }
    }
}

// Outer sizes in twips meet the window manager's frame in device pixels:
// every size of the design comes out within one device pixel of its twips
// (15 a device pixel at 1x, 7.5 at 2x), at 1, 1.5 and 2 device pixels a
// toolkit pixel.
TEST(TwipsMath, OuterTwipsMeetTheFrameInDevicePixels)
{
    for (double dpr : {1.0, 1.5, 2.0}) {
        for (int frame : {2, 6, 21, 25}) {
            for (int tw : {1000, 1950, 2010, 2505, 3100, 3600, 3675, 5400, 12300}) {
                const Axis a{15, frame, dpr};
                const int client = twips::toPixels(tw, a);
                const double outerDevice = std::round(client * dpr) + frame;
                EXPECT_LE(std::abs(outerDevice - tw / 15.0 * dpr), 1.0) << dpr << " " << frame << " " << tw;
            }
        }
    }
}
