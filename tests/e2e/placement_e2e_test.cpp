// Where the program's windows stand on the real desktop (openbox), at the
// scale this test runs at (scripts/test runs it at 1, 1.5 and 2): a store
// dragged by its title bar, background or a thumbnail stays where the user
// put it through any number of "vordergrund" toggles.

#include "realdesktop.h"
#include "x11.h"

#include "imagestore/Bilderramen.h"
#include "imagestore/Formbilder.h"
#include "textstore/Textform.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

void xdo(const QStringList &args)
{
    x11::run(QStringLiteral("xdotool"), args);
}

// The client area as the X server has it (device pixels, absolute).
QRect client(const QWidget &w)
{
    const QString info = QString::fromLatin1(
        x11::run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(w.windowHandle()->winId())}));
    auto number = [&](const char *label) {
        const auto m = QRegularExpression(QString::fromLatin1(label) + QStringLiteral(":\\s*(-?\\d+)")).match(info);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    };
    return QRect(number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"),
                 number("Height"));
}

// Mapped by the window manager, in its frame.
bool viewable(const QWidget &w)
{
    return x11::run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(w.windowHandle()->winId())})
        .contains("IsViewable");
}

// A point of a control in device pixels of the screen.
QPoint device(const QWidget *w, QPoint at)
{
    return w->mapToGlobal(at) * w->devicePixelRatioF();
}

// Presses the left button at `from`, moves the pointer by `by` in steps, releases.
void drag(const QPoint &from, const QPoint &by)
{
    xdo({QStringLiteral("mousemove"), QString::number(from.x()), QString::number(from.y())});
    xdo({QStringLiteral("mousedown"), QStringLiteral("1")});
    for (int step = 1; step <= 4; ++step) {
        const QPoint p = from + by * step / 4;
        xdo({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y())});
        QTest::qWait(40);
    }
    xdo({QStringLiteral("mouseup"), QStringLiteral("1")});
}

class PlacementE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!x11::available())
            GTEST_SKIP() << "needs the Xvfb desktop of scripts/test";
        desktop = std::make_unique<RealDesktop>();
    }
    void TearDown() override { desktop.reset(); }

    // Shows `w` where the window manager places it.
    void show(Form &w)
    {
        w.Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        ASSERT_TRUE(x11::waitUntil([&] { return !w.windowHandle()->frameMargins().isNull(); }));
        x11::waitUntil([&] { return false; }, 300);
    }

    std::unique_ptr<RealDesktop> desktop;
};

} // namespace

TEST_F(PlacementE2E, VordergrundLeavesADraggedStoreWhereItStands)
{
    Formbilder &f = desktop->forms->get<Formbilder>();
    Textform &t = desktop->forms->get<Textform>();
    auto background = [&] {
        for (int x = 2; x < f.width(); x += 3)
            if (!f.childAt(x, f.height() - 4))
                return device(&f, QPoint(x, f.height() - 4));
        return QPoint();
    };
    auto titleBar = [](Form &w) {
        const QRect c = client(w);
        return QPoint(c.x() + 40, c.y() - w.frameDevicePx().top() / 2);
    };
    const struct {
        Form *store;
        CheckBox *box;
        std::function<QPoint()> handle;
        QPoint by;
        const char *how;
    } rows[] = {
        {&f, f.Check2, [&] { return titleBar(f); }, {37, 223}, "image store by its title bar"},
        {&f, f.Check2, background, {-23, 41}, "image store by its background"},
        {&f, f.Check2, [&] { return device(f.Picture2[3], f.Picture2[3]->rect().center()); }, {61, -17},
         "image store by a thumbnail"},
        {&t, t.Check3, [&] { return titleBar(t); }, {151, 93}, "text store by its title bar"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.how);
        show(*r.store);
        const QPoint handle = r.handle();
        ASSERT_FALSE(handle.isNull());
        const QPoint before = client(*r.store).topLeft();
        drag(handle, r.by);
        // The drag begins where the window takes the move, at the first motion or a drag distance later.
        ASSERT_TRUE(x11::waitUntil([&] { return (client(*r.store).topLeft() - before - r.by).manhattanLength() <= 20; }, 3000))
            << "dragged by " << testing::PrintToString(client(*r.store).topLeft() - before);
        x11::waitUntil([&] { return false; }, 200);
        const QPoint stands = client(*r.store).topLeft();
        for (int toggle = 1; toggle <= 5; ++toggle) {
            r.box->click(); // hidden, moved a twip, shown again
            ASSERT_TRUE(x11::waitUntil([&] { return viewable(*r.store); }, 3000)) << toggle;
            x11::waitUntil([&] { return false; }, 100);
            const QPoint now = client(*r.store).topLeft();
            EXPECT_TRUE(std::abs(now.x() - stands.x()) <= 1 && std::abs(now.y() - stands.y()) <= 1)
                << "toggle " << toggle << ": at " << now.x() << "," << now.y() << ", stood at " << stands.x() << ","
                << stands.y();
        }
        r.store->Hide();
    }
}

// The image viewer opens centred unless the always-on-top image store would
// cover its title bar: then near the centre, with its title bar free to drag.
TEST_F(PlacementE2E, TheViewerOpensWithItsTitleBarClearOfTheImageStore)
{
    Formbilder &f = desktop->forms->get<Formbilder>();
    show(f);
    const double dpr = f.devicePixelRatioF();
    const QMargins frame = f.frameDevicePx();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    // The store across the place where the centred viewer's title bar would be.
    const int centredTop = qRound(area.center().y() * dpr - (5460 / 15.0 * dpr + frame.top() + frame.bottom()) / 2);
    f.move(QPoint(10, qRound((centredTop - 60) / dpr)));
    ASSERT_TRUE(x11::waitUntil([&] { return std::abs(client(f).y() - frame.top() - (centredTop - 60)) <= 2; }));
    f.Command22_Click();
    Bilderramen *v = desktop->forms->find<Bilderramen>();
    ASSERT_NE(v, nullptr);
    ASSERT_TRUE(x11::waitUntil([&] { return viewable(*v); }));
    x11::waitUntil([&] { return false; }, 200);
    const QRect c = client(*v);
    const QRect bar(c.x(), c.y() - v->frameDevicePx().top(), c.width(), v->frameDevicePx().top());
    const QRect store = client(f).marginsAdded(frame);
    EXPECT_FALSE(bar.intersects(store)) << "title bar " << testing::PrintToString(bar) << ", store "
                                        << testing::PrintToString(store);
    EXPECT_TRUE(QRect(area.topLeft() * dpr, area.size() * dpr).adjusted(-1, -1, 1, 1).contains(bar));
}

// The text store's controls fill its client area, whatever the frame: no
// bare white strip at the right or under the bottom row in the large layout
// (beyond the design's margins of 15 and 45 twips), no strip of the boxes
// beneath the icon bar of the small one.
TEST_F(PlacementE2E, TheTextStoresControlsFillItsClientArea)
{
    Textform &t = desktop->forms->get<Textform>();
    show(t);
    const double dpr = t.devicePixelRatioF();
    auto seen = [&] {
        x11::waitUntil([&] { return false; }, 300);
        const QRect c = client(t);
        const QString crop = QStringLiteral("%1x%2+%3+%4").arg(c.width()).arg(c.height()).arg(c.x()).arg(c.y());
        const QString shots = qEnvironmentVariable("MERKOLO_SCREENSHOT_DIR");
        QImage img = QImage::fromData(x11::run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                                          QStringLiteral("-crop"), crop, QStringLiteral("ppm:-")}), "PPM");
        if (!shots.isEmpty())
            img.save(shots + QStringLiteral("/textspeicher-%1-%2.png").arg(t.Check2->Value() ? "klein" : "gross").arg(dpr));
        return img.convertToFormat(QImage::Format_RGB32);
    };
    QImage img = seen();
    // Only the icon bar shows: nothing of the cyan box at the right, nor of the grey one below.
    int bare = 0;
    for (int y = 0; y < img.height(); ++y)
        bare += img.pixel(img.width() - 1, y) == qRgb(0, 192, 192);
    for (int x = 0; x < img.width(); ++x)
        bare += img.pixel(x, img.height() - 1) == qRgb(64, 64, 64);
    EXPECT_EQ(bare, 0) << "pixels of the boxes at the small layout's edges";
    t.Picture3_Click();
    img = seen();
    const int x = img.width() - 1 - static_cast<int>(std::ceil(dpr));
    for (QWidget *box : {static_cast<QWidget *>(t.Text1), static_cast<QWidget *>(t.List1[0]), static_cast<QWidget *>(t.Text2)})
        EXPECT_NE(img.pixel(x, qRound((box->y() + box->height() / 2) * dpr)), qRgb(255, 255, 255)) << "large, right of "
                                                                                        << box->metaObject()->className();
    const int column = qRound((t.Command5->x() + t.Command5->width() / 2) * dpr);
    int band = 0;
    while (band < img.height() && img.pixel(column, img.height() - 1 - band) == qRgb(255, 255, 255))
        ++band;
    EXPECT_LE(band, std::ceil(3 * dpr) + 1) << "white rows under the bottom row";
}
