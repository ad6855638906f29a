// The image store's window behaviours: "Auto-Maus" widths, hover texts,
// dragging through the system move, the buttons that open other windows,
// the storage-band buttons and the options flag.

#include "support/qtprint.h"
#include "support/testdesktop.h"

#include "capture/Zwischablage.h"
#include "forms/twips.h"
#include "imagestore/Bilderramen.h"
#include "imagestore/Formbilder.h"
#include "platform/windows/systemmove.h"
#include "platform/windows/user32.h"
#include "shell/Starter.h"
#include "textstore/Textform.h"

#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

class StoreWindow : public ::testing::Test
{
protected:
    TestDesktop d;
    Formbilder &store() { return d.forms->get<Formbilder>(); }
    Formbilder &shown()
    {
        Formbilder &f = store();
        f.Show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&f));
        return f;
    }
    // The pointer, with no button held, comes to rest on `p` of `w`.
    static void rest(QWidget *w, QPoint p = {5, 5}) { QTest::mouseMove(w, p); }
    // Counts the title-bar presses (WM_NCLBUTTONDOWN, HTCAPTION, 0) the window's procedure gets.
    int titleBarPresses = 0;
    void subclass(HWND h)
    {
        const LONG previous = GetWindowLongA(h, GWL_WNDPROC);
        SetWindowLongA(h, GWL_WNDPROC, user32::ProcAddress([this, previous](HWND w, UINT m, WPARAM wp, LPARAM lp) {
                           titleBarPresses += m == WM_NCLBUTTONDOWN && wp == HTCAPTION && lp == 0;
                           return CallWindowProcA(previous, w, m, wp, lp);
                       }));
    }
    // Presses `buttons` in turn at `p` of `w`, moves along `path` (offsets from the press), releases.
    static void drag(QWidget *w, QPoint p, std::vector<Qt::MouseButton> buttons, const std::vector<QPoint> &path)
    {
        rest(w, p);
        const QPoint start = w->mapToGlobal(p);
        for (Qt::MouseButton b : buttons)
            QTest::mousePress(w, b, {}, p);
        for (const QPoint &step : path)
            QTest::mouseMove(w, w->mapFromGlobal(start + step));
        for (Qt::MouseButton b : buttons)
            QTest::mouseRelease(w, b, {}, w->mapFromGlobal(start + path.back()));
    }
};

} // namespace

TEST_F(StoreWindow, AutoMausWidthsFollowTheTableForEveryThumbnail)
{
    Formbilder &f = shown();
    const int design = f.Width();
    for (int i = 0; i < Formbilder::kSlots; ++i)
        rest(f.Picture2[i]);
    EXPECT_EQ(f.Width(), design) << "unticked: no change";

    f.Check4->setValue(1);
    const int expected[] = {3600, 4710, 5775, 6855, 7950, 9030, 10110, 11190, 12300};
    for (int i : {8, 0, 1, 2, 3, 4, 5, 6, 7, 8, 3, 0}) {
        f.Picture2_MouseMove(i, 0, 0, 5, 5);
        EXPECT_EQ(f.Width(), expected[i]) << i;
        EXPECT_EQ(f.width() + f.frameDevicePx().left() + f.frameDevicePx().right(), twips::toPixelsX(expected[i]));
    }
    // Thumbnail 9 leaves the width as it was, wherever that came from.
    for (int last : {0, 7}) {
        f.Picture2_MouseMove(last, 0, 0, 5, 5);
        f.Picture2_MouseMove(9, 0, 0, 5, 5);
        EXPECT_EQ(f.Width(), expected[last]);
    }
    // With the real pointer; kept once "Auto-Maus" is unticked; the height never changes.
    rest(f.Picture2[2]);
    EXPECT_EQ(f.Width(), 5775);
    f.Check4->setValue(0);
    rest(f.Picture2[0]);
    EXPECT_EQ(f.Width(), 5775);
    EXPECT_EQ(f.ScaleHeight(), 1455);
}

TEST_F(StoreWindow, HoverTextsNameTheCurrentSlotAndGoToItsThumbnail)
{
    Formbilder &f = shown();
    f.Text1->setText(QStringLiteral("4"));
    rest(f.Picture2[7]);
    EXPECT_EQ(plainToolTip(f.Picture2[4]),
              QStringLiteral("Mit Doppelklick: Kopie in Zwischenablage kopieren von (Bild-4 Speicher)"));
    EXPECT_TRUE(plainToolTip(f.Picture2[7]).isEmpty());
    EXPECT_EQ(plainToolTip(f.Picture2[0]), QStringLiteral("Doppelklick einfügen>")) << "until slot 0 is current";

    f.Text1->setText(QStringLiteral("7"));
    const std::pair<QWidget *, QString> buttons[] = {
        {f.Command15, QStringLiteral("Alle Bild-Speicher mit Klick löschen")},
        {f.Command27, QStringLiteral("Bild-7-Speicher mit Klick löschen")},
        {f.Command17, QStringLiteral("Zwischenablage einfügen in (Bild-7 Speicher)")},
        {f.Command19, QStringLiteral("Kopie in Zwischenablage kopieren von (Bild-7 Speicher)")},
        {f.Picture7, QStringLiteral("Zwischenablage")},
    };
    for (const auto &[control, text] : buttons) {
        EXPECT_NE(plainToolTip(control), text) << "set by the pointer only";
        rest(control);
        EXPECT_EQ(plainToolTip(control), text);
    }
}

TEST_F(StoreWindow, DragsFollowThePointerWithTheLeftButtonAloneAndKeepTheDoubleClick)
{
    Formbilder &f = shown();
    subclass(f.hWnd());
    d.forms->get<Zwischablage>().Picture1->setPicture(QImage(160, 90, QImage::Format_RGB32));
    f.Text1->setText(QStringLiteral("2"));
    f.Command17_Click();
    QPoint at = f.pos();

    // The right button, a click, and left and right together over the background move nothing.
    QPoint bg;
    for (int x = 2; x < f.width() && bg.isNull(); x += 3)
        if (!f.childAt(x, f.height() - 5))
            bg = {x, f.height() - 5};
    drag(f.Picture2[6], {20, 20}, {Qt::RightButton}, {{30, 40}, {60, 80}});
    QTest::mouseClick(f.Picture2[6], Qt::LeftButton, {}, {20, 20});
    drag(&f, bg, {Qt::LeftButton, Qt::RightButton}, {{1, 0}, {30, 30}});
    drag(f.Command22, {5, 5}, {Qt::LeftButton}, {{30, 4}}); // moves over a control are the control's
    EXPECT_EQ(f.pos(), at);
    EXPECT_EQ(titleBarPresses, 1) << "the click's press";
    EXPECT_FALSE(systemmove::active());

    // The left button on any thumbnail: the window follows the pointer from the press, and no
    // move on the way reaches a thumbnail ("Auto-Maus" would change the width).
    rest(f.Picture2[6], {20, 20});
    f.Check4->setValue(1);
    const int width = f.Width();
    at = f.pos();
    drag(f.Picture2[6], {20, 20}, {Qt::LeftButton}, {{2, 1}, {15, 10}, {-40, 70}, {-25, 90}});
    EXPECT_EQ(f.pos(), at += QPoint(-25, 90));
    EXPECT_EQ(f.Width(), width);
    f.Check4->setValue(0);
    // The background: from where the pointer was at the move that started it.
    rest(&f, bg);
    at = f.pos(); // as the platform has placed it meanwhile
    drag(&f, bg, {Qt::LeftButton}, {{1, 0}, {20, 5}, {33, -12}});
    EXPECT_EQ(f.pos(), at += QPoint(32, -12));
    EXPECT_EQ(titleBarPresses, 3);
    // A press that wobbles less than a drag distance before its release moves nothing.
    drag(f.Picture2[8], {9, 9}, {Qt::LeftButton}, {{1, 0}, {2, 1}, {0, 2}});
    EXPECT_EQ(f.pos(), at);

    // A double click on a thumbnail still copies the current slot.
    QTest::mouseClick(f.Picture2[8], Qt::LeftButton, {}, {9, 9});
    QTest::mouseDClick(f.Picture2[8], Qt::LeftButton, {}, {9, 9});
    EXPECT_EQ(d.clipboard.image.constBits(), f.Bildx[2]->Picture().constBits());
    EXPECT_EQ(f.pos(), at);

    // The move lets go of any mouse grab first.
    f.Picture2[1]->grabMouse();
    f.MoveWindow(f.hWnd());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    QTest::mouseRelease(f.Picture2[1], Qt::LeftButton);
    EXPECT_FALSE(systemmove::active());
}

TEST_F(StoreWindow, ButtonsThatOpenWindowsAndTheStorageBand)
{
    Formbilder &f = shown();
    // "Bild-Fenster" on an empty slot: the viewer shows an empty picture, its refresh pending.
    f.Text1->setText(QStringLiteral("6"));
    QTest::mouseClick(f.Command22, Qt::LeftButton);
    Bilderramen *viewer = d.forms->find<Bilderramen>();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible() && viewer->Image1->Picture().isNull() && viewer->Timer1->isActive());
    QTest::mouseClick(f.Command24, Qt::LeftButton); // "Text"
    ASSERT_NE(d.forms->find<Textform>(), nullptr);
    EXPECT_TRUE(d.forms->find<Textform>()->isVisible());

    // "Command3" says "Text"; "Command4" makes slot 0 current; "start" captures;
    // "Zwischablage.Show" shows the hidden viewer window.
    f.Command3->click();
    EXPECT_EQ(d.messages.texts(), QStringList{QStringLiteral("Text")});
    f.Option1[5]->setValue(true);
    f.Command4->click();
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("0"));
    EXPECT_EQ(f.Caption(), QStringLiteral("Merkolo: Achtung [ Bild-0]  Speicher ist Aktiv !"));
    QImage green(8, 8, QImage::Format_RGB32);
    green.fill(qRgb(1, 200, 3));
    d.forms->get<Zwischablage>().Picture1->setPicture(green);
    f.Check1->setValue(1);
    f.Command11->click();
    EXPECT_EQ(f.Bildx[0]->Picture().pixel(0, 0), qRgb(1, 200, 3));
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("1"));
    f.Command6->click();
    EXPECT_TRUE(d.forms->get<Zwischablage>().isVisible());

    // "EXIT" closes the store; the viewer it opened stays.
    QTest::mouseClick(f.Command10, Qt::LeftButton);
    EXPECT_EQ(d.forms->find<Formbilder>(), nullptr);
    EXPECT_EQ(d.forms->find<Bilderramen>(), viewer);
}

TEST_F(StoreWindow, OnlyFocusLeavingAutomatischOrAutoMausSetsTheOptionsFlag)
{
    Starter &starter = d.forms->get<Starter>();
    Formbilder &f = shown();
    f.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    // Values set in code (as the options file loads them), "Transparent" clicked and left.
    f.Check1->setValue(1);
    f.Check4->setValue(1);
    QTest::mouseClick(f.Check3, Qt::LeftButton, {}, {5, 5});
    f.Text1->setFocus();
    EXPECT_EQ(starter.Check1->Value(), 0);
    // A click gives "Auto-Maus" the focus; the flag follows when it leaves, value changed or not.
    QTest::mouseClick(f.Check4, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(starter.Check1->Value(), 0);
    f.Command22->setFocus();
    EXPECT_EQ(starter.Check1->Value(), 1);
    starter.Check1->setValue(0);
    f.Check1->setFocus();
    f.Text1->setFocus();
    EXPECT_EQ(starter.Check1->Value(), 1) << "\"Automatisch\" too";
    // "vordergrund" clicked and left: no flag.
    starter.Check1->setValue(0);
    QTest::mouseClick(f.Check2, Qt::LeftButton, {}, {5, 5});
    f.Text1->setFocus();
    EXPECT_EQ(starter.Check1->Value(), 0);
}
