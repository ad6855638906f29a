// The fitted painter: what it does to the target box (its arithmetic: fittedsize_test).

#include "forms/controls.h"
#include "forms/twips.h"
#include "imagestore/PaintFitted.h"

#include <gtest/gtest.h>

namespace {

// Four solid quadrants: red, green / blue, yellow.
QImage quadrants(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, y < h / 2 ? (x < w / 2 ? qRgb(255, 0, 0) : qRgb(0, 255, 0))
                                         : (x < w / 2 ? qRgb(0, 0, 255) : qRgb(255, 255, 0)));
    return img;
}

struct Boxes {
    QWidget window;
    PictureBox *source = new PictureBox(&window, PictureBox::Scale::Twips);
    PictureBox *target = new PictureBox(&window, PictureBox::Scale::Pixels);
    Boxes()
    {
        twips::place(source, 120, 2280, 1095, 735); // inner 1035 x 675 twips
        twips::place(target, 0, 0, 1215, 735);      // inner 77 x 45 pixels
    }
};

} // namespace

TEST(PaintFitted, ResizesTheTargetAndDrawsASmoothlyStretchedCopy)
{
    Boxes b;
    b.source->setPicture(quadrants(400, 100));
    modMain::PaintFitted(77, 45, *b.source, *b.target);

    const twips::Rect r = twips::of(b.target);
    EXPECT_EQ(r.width, 69 * 15);
    EXPECT_EQ(r.height, 45 * 15);
    const QImage &drawn = b.target->surface();
    ASSERT_GE(drawn.width(), 69);
    ASSERT_GE(drawn.height(), 45);
    // The whole picture, stretched to the box's 69 x 45 shape, not the picture's 4:1.
    EXPECT_EQ(drawn.pixel(5, 5), qRgb(255, 0, 0));
    EXPECT_EQ(drawn.pixel(63, 5), qRgb(0, 255, 0));
    EXPECT_EQ(drawn.pixel(5, 40), qRgb(0, 0, 255));
    EXPECT_EQ(drawn.pixel(68, 44), qRgb(255, 255, 0));
    // Smoothed: where two quadrants meet, a pixel takes of both.
    EXPECT_GT(qRed(drawn.pixel(34, 5)), 0);
    EXPECT_GT(qGreen(drawn.pixel(34, 5)), 0);
    EXPECT_GT(qBlue(drawn.pixel(5, 22)), 0);
    EXPECT_GT(qRed(drawn.pixel(5, 22)), 0);
    // Nothing outside the drawn rectangle.
    if (drawn.width() > 69) {
        EXPECT_EQ(qAlpha(drawn.pixel(69, 10)), 0);
    }

    // A picture of one bit a pixel (a two-colour PNG) in its own colours.
    b.source->setPicture(quadrants(400, 100).convertToFormat(QImage::Format_Mono, {qRgb(255, 0, 0), qRgb(255, 255, 255)}));
    modMain::PaintFitted(77, 45, *b.source, *b.target);
    EXPECT_EQ(b.target->surface().pixel(5, 5), qRgb(255, 0, 0));
}

TEST(PaintFitted, SkipsWhatItCannotDo)
{
    Boxes b;
    // An empty picture: the target is resized, nothing is drawn.
    modMain::PaintFitted(77, 45, *b.source, *b.target);
    EXPECT_EQ(twips::of(b.target).width, 69 * 15);
    EXPECT_TRUE(b.target->surface().isNull());

    // A source without inner area (no ratio to take): nothing at all.
    twips::place(b.target, 0, 0, 1215, 735);
    b.source->setPicture(quadrants(40, 40));
    b.source->resize(4, 4); // inside its 2-pixel border nothing is left
    ASSERT_EQ(b.source->ScaleWidth(), 0);
    modMain::PaintFitted(77, 45, *b.source, *b.target);
    EXPECT_EQ(twips::of(b.target), (twips::Rect{0, 0, 1215, 735}));
    EXPECT_TRUE(b.target->surface().isNull());
}
