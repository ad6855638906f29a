// Where a new window goes beside the program's other windows: clear of all
// of them where the area has room, else its title bar clear and as little
// of it covered as can be.

#include "forms/placement.h"

#include "../support/qtprint.h"

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
        {area, {QRect(426, 445, 427, 109)}, QPoint(395, 554)},       // the centred selector, its menu bar to come: below
        // No room above, below or beside: the title bar clear, the least covered (at the
        // right edge, the strip under its left half), the nearest.
        {QRect(0, 0, 1280, 700), {strip.translated(0, -239)}, QPoint(790, 180)},
        {QRect(0, 0, 1280, 700), {QRect(0, 0, 1280, 700)}, centred.topLeft()}, // no clear title bar anywhere
    };
    for (const auto &r : rows)
        EXPECT_EQ(placement::clearOf(centred, 20, r.area, r.others), r.at) << &r - rows;
}

// To the pixel: the places beside, below and above each window, the last
// window and its last candidate, the edges of the screen and of a panel.
TEST(Placement, TheCandidatesBesideBelowAndAboveLieToThePixelWithinTheScreen)
{
    const QRect screen(0, 0, 1280, 1024), belowPanel(0, 30, 1280, 994);
    const QRect far(0, 900, 100, 100);
    const struct {
        const char *what;
        QPoint wanted; // of a 400 x 300 window
        QRect area;
        QList<QRect> others;
        QPoint at;
    } rows[] = {
        {"a clear title bar is not enough: below", {100, 100}, screen, {{100, 120, 400, 300}}, {100, 420}},
        {"below", {350, 350}, screen, {{300, 200, 500, 200}}, {350, 400}},
        {"above would leave the screen: below", {350, 250}, screen, {{300, 200, 500, 200}}, {350, 400}},
        {"beside, right", {550, 100}, screen, {{0, 0, 600, 300}}, {600, 100}},
        {"beside, left", {500, 300}, screen, {{700, 100, 400, 600}}, {300, 300}},
        {"below the last of two", {350, 250}, screen, {far, {300, 200, 500, 200}}, {350, 400}},
        {"left of the last of two", {500, 300}, screen, {far, {700, 100, 400, 600}}, {300, 300}},
        // A store at the screen's top left edge: above it would be off the screen.
        {"store at the top left", {100, 10}, screen, {{0, 0, 600, 300}}, {100, 300}},
        {"store under a panel", {100, 40}, belowPanel, {{0, 30, 600, 300}}, {100, 330}},
        {"right up to the screen's edge", {300, 100}, screen, {{0, 0, 880, 900}}, {880, 100}},
        {"no room right of it", {300, 100}, screen, {{0, 0, 881, 900}}, {300, 100}},
        {"no room anywhere", {300, 100}, screen, {screen}, {300, 100}},
    };
    for (const auto &r : rows)
        EXPECT_EQ(placement::clearOf(QRect(r.wanted, QSize(400, 300)), 20, r.area, r.others), r.at) << r.what;
}
