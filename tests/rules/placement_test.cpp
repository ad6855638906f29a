// Where a new window goes beside the program's other windows: clear of all
// of them where the area has room, else its title bar clear and as little
// of it covered as can be.

#include "forms/placement.h"

#include <gtest/gtest.h>

TEST(Placement, NearestPlaceClearOfTheOtherWindowsWithinTheArea)
{
    const QRect area(0, 0, 1280, 1000);
    const QRect centred(395, 305, 490, 390); // 490 x 390 with a title bar of 20
    const QRect strip(233, 439, 814, 122);   // an always-on-top strip across the middle
    const struct {
        QRect area;
        QList<QRect> others;
        QPoint at;
    } rows[] = {
        {area, {}, centred.topLeft()},
        {area, {QRect(0, 0, 100, 100)}, centred.topLeft()},          // nothing in the way
        {area, {strip}, QPoint(395, 561)},                           // below: as near as above, and tried first
        {area, {strip, QRect(0, 561, 1280, 100)}, QPoint(395, 49)},  // below taken too: above
        {area, {QRect(395, 600, 490, 100)}, QPoint(395, 210)},       // its lower part covered: up a little
        // No room above, below or beside: the title bar clear, the least covered (at the
        // right edge, the strip under its left half), the nearest.
        {QRect(0, 0, 1280, 700), {strip.translated(0, -239)}, QPoint(790, 180)},
        {QRect(0, 0, 1280, 700), {QRect(0, 0, 1280, 700)}, centred.topLeft()}, // no clear title bar anywhere
    };
    for (const auto &r : rows)
        EXPECT_EQ(placement::clearOf(centred, 20, r.area, r.others), r.at) << &r - rows;
}
