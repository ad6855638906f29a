// The image store's window behaviours and the image viewer on the real X11
// desktop with a window manager: dragging through the window manager's own
// move, "Auto-Maus" widths as the window manager sees them, the viewer
// showing a slot pixel for pixel, and its keys.

#include "realdesktop.h"
#include "x11.h"

#include "capture/Zwischablage.h"
#include "imagestore/Bilderramen.h"
#include "imagestore/Formbilder.h"

#include <QGuiApplication>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <iostream>
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
    Formbilder &shownStore()
    {
        Formbilder &f = store();
        f.Show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
        // Let the window manager place and frame it before anything is measured.
        x11::waitUntil([&] { return !f.windowHandle()->frameMargins().isNull(); });
        QTest::qWait(200);
        return f;
    }

    std::unique_ptr<RealDesktop> desktop;
};

} // namespace

TEST_F(RealImageWindows, ADragByAThumbnailMovesTheWindowByThePointersPath)
{
    Formbilder &f = shownStore();
    const QPoint before = f.frameGeometry().topLeft();
    const QPoint start = f.Picture2[4]->mapToGlobal(f.Picture2[4]->rect().center());
    pointerTo(start);
    xdo({QStringLiteral("mousedown"), QStringLiteral("1")});
    const QPoint path[] = {{3, 2}, {12, 5}, {40, 30}, {90, 120}, {70, 150}};
    for (const QPoint &d : path) {
        pointerTo(start + d);
        QTest::qWait(50);
    }
    xdo({QStringLiteral("mouseup"), QStringLiteral("1")});
    ASSERT_TRUE(x11::waitUntil([&] { return f.frameGeometry().topLeft() == before + QPoint(70, 150); }, 3000))
        << f.frameGeometry().topLeft().x() - before.x() << "," << f.frameGeometry().topLeft().y() - before.y();
}


TEST_F(RealImageWindows, ViewerLook)
{
    Formbilder &f = shownStore();
    QImage img(300, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            img.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    desktop->forms->get<Zwischablage>().Picture1->setPicture(img);
    f.Text1->setText("3");
    f.Command17_Click();
    f.Command22_Click();
    Bilderramen &v = desktop->forms->get<Bilderramen>();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&v));
    QTest::qWait(1300);
    x11::run("import", {"-window", "root", "/tmp/wt9/viewer1.png"});
    v.Check1->setValue(1);
    QTest::qWait(300);
    x11::run("import", {"-window", "root", "/tmp/wt9/viewer2.png"});
    v.resize(700, 500);
    QTest::qWait(300);
    x11::run("import", {"-window", "root", "/tmp/wt9/viewer3.png"});
}
