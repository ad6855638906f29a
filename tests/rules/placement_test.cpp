// Where a new window goes so that its title bar (20 pixels here) stays
// clear of the windows shown: its wanted place, else the nearest place on
// the screen beside, below or above one of them, to the pixel.

#include "forms/placement.h"

#include "../support/qtprint.h"

#include <gtest/gtest.h>

TEST(Placement, TheTitleBarGoesToTheNearestClearPlaceOnTheScreen)
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
        {"clear where wanted", {100, 100}, screen, {{100, 120, 400, 300}}, {100, 100}},
        {"below", {350, 350}, screen, {{300, 200, 500, 200}}, {350, 400}},
        {"above", {350, 250}, screen, {{300, 200, 500, 200}}, {350, 180}},
        {"beside, right", {550, 100}, screen, {{0, 0, 600, 300}}, {600, 100}},
        {"beside, left", {500, 300}, screen, {{700, 100, 400, 600}}, {300, 300}},
        {"above the last of two", {350, 250}, screen, {far, {300, 200, 500, 200}}, {350, 180}},
        {"left of the last of two", {500, 300}, screen, {far, {700, 100, 400, 600}}, {300, 300}},
        // A store at the screen's top left edge: above it would be off the screen.
        {"store at the top left", {100, 10}, screen, {{0, 0, 600, 300}}, {100, 300}},
        {"store under a panel", {100, 40}, belowPanel, {{0, 30, 600, 300}}, {100, 330}},
        {"right up to the screen's edge", {300, 100}, screen, {{0, 0, 880, 900}}, {880, 100}},
        {"no room right of it", {300, 100}, screen, {{0, 0, 881, 900}}, {300, 100}},
        {"no room anywhere", {300, 100}, screen, {screen}, {300, 100}},
    };
    for (const auto &r : rows)
        EXPECT_EQ(placement::titleBarClear(QRect(r.wanted, QSize(400, 300)), 20, r.area, r.others), r.at) << r.what;
}
