// modMain's fitted size: the smaller ratio, halves to even, and what holds
// for every source and limit.

#include "imagestore/fittedsize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using modMain::FittedSize;
using modMain::fittedSize;

TEST(FittedSize, TakesTheSmallerRatioAndRoundsHalvesToEven)
{
    const struct {
        int maxWidth, maxHeight;
        double sw, sh;
        FittedSize size;
    } rows[] = {
        {77, 45, 1035, 675, {69, 45}},  // the preview at its design size: factor 45/675
        {25, 25, 100, 50, {25, 12}},    // 12.5 to the even 12
        {77, 53, 1035, 675, {77, 50}},  // the preview after its first capture: the width limits
        {69, 45, 1035, 675, {69, 45}},  // equal ratios
        {100, 40, 10, 20, {20, 40}},    // a portrait source in a landscape area
        {300, 300, 3, 2, {300, 200}},   // growing as well as shrinking
        {10, 10, 3, 4, {8, 10}},        // 7.5 to the even 8
        {10, 10, 13, 20, {6, 10}},      // 6.5 to the even 6
        {9, 100, 2, 1, {9, 4}},         // 4.5 to 4
        {11, 100, 2, 1, {11, 6}},       // 5.5 to 6
        {100, 100, 3, 7, {43, 100}},    // 42.857 to the nearest
        {77, 45, 400, 100, {77, 19}},   // 19.25
        {77, 45, 1035.5, 675.25, {69, 45}}, // fractional inner areas (twips of a box)
        {77, 45, 1035, 0.5, {77, 0}},   // 0.037 to 0
    };
    for (const auto &r : rows)
        EXPECT_EQ(fittedSize(r.maxWidth, r.maxHeight, r.sw, r.sh), r.size)
            << r.maxWidth << "x" << r.maxHeight << " for " << r.sw << "x" << r.sh;
}

TEST(FittedSize, NoSizeForASourceWithoutAreaOrNegativeLimits)
{
    EXPECT_FALSE(fittedSize(77, 45, 0, 675));
    EXPECT_FALSE(fittedSize(77, 45, 1035, 0));
    EXPECT_FALSE(fittedSize(0, 0, 0, 0));
    EXPECT_FALSE(fittedSize(77, 45, -15, 675));
    EXPECT_FALSE(fittedSize(-77, -45, 1035, 675));
    EXPECT_FALSE(fittedSize(77, 45, std::nan(""), 675));
    // A limit of zero draws nothing but is no error.
    EXPECT_EQ(fittedSize(0, 45, 1035, 675), (FittedSize{0, 0}));
}

// For any source and limits: the drawn size stays within the limits, meets
// one of them, and is the source scaled by the smaller ratio to within half
// a pixel each way, an exact half going to the even side.
TEST(FittedSize, StaysWithinTheLimitsMeetsOneAndKeepsTheProportions)
{
    for (int maxWidth : {1, 2, 7, 45, 77, 1095, 4000}) {
        for (int maxHeight : {1, 3, 45, 53, 735}) {
            for (double sw : {1.0, 2.5, 3.0, 15.0, 675.0, 1035.0, 3840.0}) {
                for (double sh : {1.0, 4.0, 7.5, 45.0, 675.0, 2160.0}) {
                    const auto size = fittedSize(maxWidth, maxHeight, sw, sh);
                    ASSERT_TRUE(size) << maxWidth << " " << maxHeight << " " << sw << " " << sh;
                    const double k = std::min(maxWidth / sw, maxHeight / sh);
                    EXPECT_LE(size->width, maxWidth);
                    EXPECT_LE(size->height, maxHeight);
                    EXPECT_TRUE(size->width == maxWidth || size->height == maxHeight);
                    for (const auto &[got, exact] : {std::pair{size->width, sw * k}, std::pair{size->height, sh * k}}) {
                        EXPECT_LE(std::abs(got - exact), 0.5 + 1e-9) << exact;
                        if (exact - std::floor(exact) == 0.5) {
                            EXPECT_EQ(got % 2, 0) << exact;
                        }
                    }
                }
            }
        }
    }
}
