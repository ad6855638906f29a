// The image store's window behaviours and the image viewer on the real X11
// desktop with a window manager: dragging through the window manager's own
// move, "Auto-Maus" widths as the window manager sees them, the viewer
// showing a slot pixel for pixel, browsing past slot 9 with the store's
// message, and Escape.

#include "realdesktop.h"
#include "support/qtprint.h"
#include "x11.h"

#include "capture/Zwischablage.h"
#include "imagestore/Bilderramen.h"
#include "imagestore/Formbilder.h"
#include "platform/services/qtservices.h"
#include "support/fakeservices.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

void xdo(const QStringList &args)
{
    x11::run(QStringLiteral("xdotool"), args);
}

void pointerTo(const QPoint &p)
{
    xdo({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
}

void clickAt(const QPoint &p, int count = 1)
{
    pointerTo(p);
    xdo({QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(count), QStringLiteral("--delay"),
         QStringLiteral("80"), QStringLiteral("1")});
}

QPoint centreOf(const QWidget *w, QPoint offset = {})
{
    return w->mapToGlobal(w->rect().center() + offset);
}

// The screen as another program reads it: the root window, cropped.
QImage screen(const QRect &r)
{
    const QByteArray ppm = x11::run(
        QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                                   QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y()),
                                   QStringLiteral("ppm:-")});
    return QImage::fromData(ppm, "PPM").convertToFormat(QImage::Format_RGB32);
}

// Where the X server has the client area of `w` (its top left on the screen).
QPoint serverPlace(const QWidget &w)
{
    const QString info = QString::fromLatin1(
        x11::run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(w.windowHandle()->winId())}));
    auto n = [&](const char *label) {
        return QRegularExpression(QString::fromLatin1(label) + QStringLiteral(":\\s*(-?\\d+)")).match(info).captured(1).toInt();
    };
    return QPoint(n("Absolute upper-left X"), n("Absolute upper-left Y"));
}

// Saves what the user sees of `r` as `name` in the screenshot folder, if one is given.
void screenshot(const QRect &r, const char *name)
{
    const QString dir = qEnvironmentVariable("MERKOLO_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        screen(r).save(dir + QLatin1Char('/') + QLatin1String(name));
}

// The outer width of a window as the window manager frames it, in pixels:
// the client's width and the frame's extents the window manager announces.
int frameWidth(const QWidget &w)
{
    const QString id = QString::number(w.windowHandle()->winId());
    const QString info = QString::fromLatin1(x11::run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id}));
    const QString extents = QString::fromLatin1(
        x11::run(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")}));
    static const QRegularExpression width(QStringLiteral("\\n\\s*Width:\\s*(\\d+)"));
    static const QRegularExpression sides(QStringLiteral("= (\\d+), (\\d+), \\d+, \\d+"));
    const auto m = width.match(info);
    const auto e = sides.match(extents);
    return m.hasMatch() && e.hasMatch() ? m.captured(1).toInt() + e.captured(1).toInt() + e.captured(2).toInt() : -1;
}

// A picture where every pixel differs from its neighbours (gradients, and a
// checkerboard in blue whose phase the seed moves), so that only an exact
// copy compares equal; it compresses well for the screenshots.
QImage pattern(int w, int h, int seed)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x % 256, y % 256, ((x + seed) / 8 + y / 8) % 2 ? 230 : 40));
    return img;
}

class RealImageWindows : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!x11::available())
            GTEST_SKIP() << "needs an X display (scripts/xdesktop)";
        desktop = std::make_unique<RealDesktop>();
    }
    void TearDown() override { desktop.reset(); }

    Formbilder &store() { return desktop->forms->get<Formbilder>(); }
    // The store shown at the top left, framed and placed by the window manager.
    Formbilder &shownStore()
    {
        Formbilder &f = store();
        f.Show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
        EXPECT_TRUE(x11::waitUntil([&] { return !f.windowHandle()->frameMargins().isNull(); })) << "framed";
        f.move(20, 30);
        EXPECT_TRUE(x11::waitUntil([&] { return f.frameGeometry().topLeft() == QPoint(20, 30); })) << "moved";
        EXPECT_TRUE(x11::waitUntil([&] { return serverPlace(f) == f.mapToGlobal(QPoint()); })) << "as the server has it";
        return f;
    }
    void fill(int n, const QImage &img)
    {
        desktop->forms->get<Zwischablage>().Picture1->setPicture(img);
        store().Text1->setText(QString::number(n));
        store().Command17_Click();
    }
    // Presses `button` at `from`, moves along `path` (offsets), releases.
    void drag(const QPoint &from, int button, const std::vector<QPoint> &path, const char *shot = nullptr)
    {
        pointerTo(from);
        xdo({QStringLiteral("mousedown"), QString::number(button)});
        ASSERT_TRUE(x11::caughtUp()); // each step seen where the press went
        for (const QPoint &step : path) {
            pointerTo(from + step);
            ASSERT_TRUE(x11::caughtUp());
        }
        if (shot)
            screenshot(QRect(0, 0, 1000, 420), shot);
        xdo({QStringLiteral("mouseup"), QString::number(button)});
        // The window stands where the X server has it, as the program has heard.
        EXPECT_TRUE(x11::waitUntil([&] { return serverPlace(store()) == store().mapToGlobal(QPoint()); }));
    }

    std::unique_ptr<RealDesktop> desktop;
};

} // namespace

TEST_F(RealImageWindows, DragsByThumbnailAndBackgroundFollowThePointersPathThroughTheWindowManager)
{
    Formbilder &f = shownStore();
    fill(2, pattern(80, 60, 2));
    f.Text1->setText(QStringLiteral("2"));
    QPoint at = f.frameGeometry().topLeft();

    // The right button drags nothing.
    drag(centreOf(f.Picture2[4]), 3, {{20, 20}, {60, 90}});
    EXPECT_EQ(f.frameGeometry().topLeft(), at);

    // The left button on a thumbnail: the window follows every step of the pointer from the press.
    drag(centreOf(f.Picture2[4]), 1, {{3, 2}, {12, 5}, {40, 30}, {90, 160}, {70, 150}}, "bildspeicher-ziehen.png");
    ASSERT_TRUE(x11::waitUntil([&] { return f.frameGeometry().topLeft() == at + QPoint(70, 150); }, 3000))
        << testing::PrintToString(f.frameGeometry().topLeft() - at);
    at = f.frameGeometry().topLeft();

    // Afterwards the pointer is the program's again: hover texts, and a double click copies the slot.
    pointerTo(centreOf(f.Picture2[6]));
    pointerTo(centreOf(f.Picture2[6], {4, 2}));
    ASSERT_TRUE(x11::waitUntil([&] { return !plainToolTip(f.Picture2[2]).isEmpty(); }));
    const int before = desktop->clipboard.snapshots();
    clickAt(centreOf(f.Picture2[7]), 2);
    ASSERT_TRUE(x11::waitUntil([&] { return desktop->clipboard.snapshots() > before; }, 10000));
    EXPECT_TRUE(x11::waitUntil([&] { return f.Picture1->Picture().size() == QSize(80, 60); }, 10000));
    EXPECT_EQ(f.frameGeometry().topLeft(), at);

    // The left button on the background: the window goes along.
    QPoint bg;
    for (int x = 2; x < f.width() && bg.isNull(); x += 3)
        if (!f.childAt(x, f.height() - 6))
            bg = QPoint(x, f.height() - 6);
    ASSERT_FALSE(bg.isNull());
    drag(f.mapToGlobal(bg), 1, {{1, 1}, {30, 10}, {55, 40}});
    // The first step is the background's own move that starts the window's.
    ASSERT_TRUE(x11::waitUntil([&] { return f.frameGeometry().topLeft() == at + QPoint(54, 39); }, 3000))
        << testing::PrintToString(f.frameGeometry().topLeft() - at);
}

TEST_F(RealImageWindows, AutoMausWidthsAsTheWindowManagerSeesThem)
{
    Formbilder &f = shownStore();
    f.Check4->setValue(1);
    const int full = frameWidth(f);
    const int expected[] = {240, 314, 385, 457, 530, 602, 674, 746, 820}; // 3600 .. 12300 twips
    for (int i = 0; i < Formbilder::kSlots; ++i) {
        pointerTo(f.Picture2[i]->mapToGlobal(QPoint(8, 20)));
        pointerTo(f.Picture2[i]->mapToGlobal(QPoint(10, 22)));
        const int want = i < 9 ? expected[i] : expected[8];
        EXPECT_TRUE(x11::waitUntil([&] { return frameWidth(f) == want; })) << i << ": " << frameWidth(f);
    }
    EXPECT_NE(full, expected[8]);
    pointerTo(f.Picture2[3]->mapToGlobal(QPoint(10, 22)));
    pointerTo(f.Picture2[3]->mapToGlobal(QPoint(12, 24)));
    ASSERT_TRUE(x11::waitUntil([&] { return frameWidth(f) == expected[3]; }));
    screenshot(f.frameGeometry().adjusted(-6, -6, 6, 6), "bildspeicher-automaus-3.png");
    // Unticked, the width stays where it is.
    f.Check4->setValue(0);
    pointerTo(f.Picture2[1]->mapToGlobal(QPoint(10, 22)));
    EXPECT_TRUE(x11::waitUntil([&] { return f.Picture2[1]->underMouse(); })) << "the pointer has come";
    EXPECT_EQ(frameWidth(f), expected[3]);
}

TEST_F(RealImageWindows, TheViewerShowsTheSlotPixelForPixelAndEscapeClosesIt)
{
    Formbilder &f = shownStore();
    const QImage picture = pattern(320, 180, 9);
    fill(3, picture);
    clickAt(centreOf(f.Command22));
    ASSERT_TRUE(x11::waitUntil([&] { return desktop->forms->find<Bilderramen>() != nullptr; }));
    Bilderramen &v = *desktop->forms->find<Bilderramen>();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v));
    ASSERT_TRUE(x11::waitUntil([&] { return v.Label1->text() == QStringLiteral("Merkolo: [ Bild-3 ]!"); }, 3000));

    // Below the row of buttons, every pixel on the screen is the slot's.
    int top = 0;
    for (const QWidget *c : {static_cast<QWidget *>(v.Frame1), static_cast<QWidget *>(v.Check1), static_cast<QWidget *>(v.Command1),
                             static_cast<QWidget *>(v.Command5)})
        top = std::max(top, c->geometry().bottom() + 1 - v.Image1->y());
    const QRect shown(v.Image1->mapToGlobal(QPoint(0, top)), QSize(320, 180 - top));
    EXPECT_TRUE(x11::waitUntil([&] { return screen(shown) == picture.copy(0, top, 320, 180 - top); }));
    screenshot(v.frameGeometry().adjusted(-4, -4, 4, 4), "bildbetrachter-1zu1.png");

    // Fit mode by a click on the check box; the picture is stretched smoothly over the window.
    clickAt(v.Check1->mapToGlobal(QPoint(8, v.Check1->height() / 2)));
    ASSERT_TRUE(x11::waitUntil([&] { return v.Check1->text() == QStringLiteral("Bild an Fenster anpassen"); }));
    v.resize(640, 400);
    ASSERT_TRUE(x11::waitUntil([&] { return v.Image1->width() > 640; }));
    const QSize size = v.Image1->size();
    const auto drawn = [&](QPoint probe) { // the centre of the probe's stretched pixel
        return QPoint((2 * probe.x() + 1) * size.width() / 640, (2 * probe.y() + 1) * size.height() / 360);
    };
    QImage seen;
    // Drawn on the screen once the picture's last pixel is: the bottom right probe.
    EXPECT_TRUE(x11::waitUntil([&] {
        seen = screen(QRect(v.Image1->mapToGlobal(QPoint(0, 0)), v.size()));
        if (!QRect(QPoint(), seen.size()).contains(drawn({250, 90})))
            return false;
        const QRgb a = seen.pixel(drawn({250, 90})), b = picture.pixel(250, 90);
        return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))}) <= 3;
    }));
    for (const QPoint probe : {QPoint(20, 30), QPoint(160, 60), QPoint(250, 90)}) {
        const QPoint at = drawn(probe);
        ASSERT_TRUE(QRect(QPoint(), seen.size()).contains(at)) << testing::PrintToString(at);
        // Smoothly stretched: the probe's own colour, blended a little with like neighbours.
        const QRgb a = seen.pixel(at), b = picture.pixel(probe);
        EXPECT_LE(std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))}), 3)
            << testing::PrintToString(probe);
    }
    screenshot(v.frameGeometry().adjusted(-4, -4, 4, 4), "bildbetrachter-angepasst.png");

    // Escape closes it; the store stays.
    xdo({QStringLiteral("key"), QStringLiteral("Escape")});
    ASSERT_TRUE(x11::waitUntil([&] { return desktop->forms->find<Bilderramen>() == nullptr; }));
    EXPECT_TRUE(f.isVisible());
}

TEST_F(RealImageWindows, ForwardFromSlot9ShowsTheStoresMessageAndThenSlot0)
{
    Formbilder &f = shownStore();
    fill(0, pattern(200, 120, 0));
    fill(9, pattern(200, 120, 4));
    f.Check2->setValue(0); // message boxes have no owner yet and would open beneath the store
    f.Command22_Click();
    Bilderramen &v = *desktop->forms->find<Bilderramen>();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v));
    ASSERT_TRUE(x11::waitUntil([&] { return !v.Timer1->isActive(); }, 3000));

    bool seenBox = false;
    desktop->messages.whileOpen = [&](const QString &text) {
        whenMessageBoxShows([&](QMessageBox *box) {
            seenBox = true;
            screenshot(v.frameGeometry().united(box->frameGeometry()).adjusted(-4, -4, 4, 4),
                       "bildbetrachter-weiter-von-9.png");
            QTest::keyClick(box, Qt::Key_Return);
        });
        QtMessageBox().show(text, vbOKOnly, QString());
    };
    clickAt(centreOf(v.Command5));
    ASSERT_TRUE(x11::waitUntil([&] { return seenBox && v.Caption() == QStringLiteral("Merkolo: [ Bild-0] !"); }, 5000));
    desktop->messages.whileOpen = nullptr;
    EXPECT_EQ(desktop->messages.texts(), QStringList{QStringLiteral("Ende: Von Bilder-Speicher, setze auf Bild-0 !")});
    // One interval later slot 0 is on the screen.
    ASSERT_TRUE(x11::waitUntil([&] { return v.Label1->text() == QStringLiteral("Merkolo: [ Bild-0 ]!"); }, 3000));
    const QRect probe(v.Image1->mapToGlobal(QPoint(40, 40)), QSize(100, 50));
    EXPECT_TRUE(x11::waitUntil([&] { return screen(probe) == store().Bildx[0]->Picture().copy(40, 40, 100, 50); }));
}
