// The image store's window behaviours: "Auto-Maus" widths, hover texts,
// dragging through the system move, the buttons that open other windows,
// the storage-band buttons and the options flag.

#include "support/qtprint.h"
#include "support/testdesktop.h"

#include "capture/Zwischablage.h"
#include "imagestore/Bilderramen.h"
#include "imagestore/Formbilder.h"
#include "shell/Starter.h"
#include "textstore/Textform.h"
#include "winutil/systemmove.h"
#include "winutil/twips.h"
#include "winutil/user32.h"

#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

QImage solid(QRgb colour, int w = 160, int h = 90)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

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
    void fill(int n, const QImage &img)
    {
        d.forms->get<Zwischablage>().Picture1->setPicture(img);
        store().Text1->setText(QString::number(n));
        store().Command17_Click();
    }
    // The pointer, with no button held, rests on `p` of `w`.
    static void rest(QWidget *w, QPoint p) { QTest::mouseMove(w, p); }
    // A point of the window's own surface, under no control.
    QPoint background()
    {
        Formbilder &f = store();
        for (int y = 2; y < f.height(); y += 3)
            for (int x = 2; x < f.width(); x += 3)
                if (!f.childAt(x, y))
                    return {x, y};
        ADD_FAILURE() << "no background";
        return {};
    }
    // Records the messages sent to the window, passing each on.
    std::vector<std::pair<UINT, std::pair<WPARAM, LPARAM>>> messages;
    void subclass(HWND h)
    {
        const LONG previous = GetWindowLongA(h, GWL_WNDPROC);
        SetWindowLongA(h, GWL_WNDPROC, user32::ProcAddress([this, previous](HWND w, UINT m, WPARAM wp, LPARAM lp) {
                           messages.push_back({m, {wp, lp}});
                           return CallWindowProcA(previous, w, m, wp, lp);
                       }));
    }
    int moveRequests() const
    {
        int n = 0;
        for (const auto &[m, args] : messages)
            n += m == WM_NCLBUTTONDOWN && args.first == HTCAPTION && args.second == 0;
        return n;
    }
};

} // namespace

TEST_F(StoreWindow, AutoMausWidthsFollowTheTableForEveryThumbnail)
{
    Formbilder &f = shown();
    const int design = f.Width();
    // Unticked: no thumbnail changes the width.
    for (int i = 0; i < Formbilder::kSlots; ++i)
        rest(f.Picture2[i], {5, 5});
    EXPECT_EQ(f.Width(), design);

    f.Check4->setValue(1);
    const int expected[] = {3600, 4710, 5775, 6855, 7950, 9030, 10110, 11190, 12300};
    const std::vector<int> order = {8, 0, 1, 2, 3, 4, 5, 6, 7, 8, 3, 0};
    for (int i : order) {
        f.Picture2_MouseMove(i, 0, 0, 5, 5);
        EXPECT_EQ(f.Width(), expected[i]) << "thumbnail " << i;
        EXPECT_EQ(f.width() + f.frameMarginsPx().left() + f.frameMarginsPx().right(), twips::toPixelsX(expected[i]));
    }
    // Thumbnail 9 leaves the width as it was, wherever that came from.
    f.Picture2_MouseMove(9, 0, 0, 5, 5);
    EXPECT_EQ(f.Width(), 3600);
    f.Picture2_MouseMove(7, 0, 0, 5, 5);
    f.Picture2_MouseMove(9, 0, 0, 5, 5);
    EXPECT_EQ(f.Width(), 11190);
    // With the real pointer, and kept once "Auto-Maus" is unticked.
    rest(f.Picture2[2], {10, 10});
    EXPECT_EQ(f.Width(), 5775);
    f.Check4->setValue(0);
    rest(f.Picture2[1], {10, 10});
    rest(f.Picture2[0], {10, 10});
    EXPECT_EQ(f.Width(), 5775);
    EXPECT_EQ(f.ScaleHeight(), 1455) << "the height never changes";
}

TEST_F(StoreWindow, HoverTextsNameTheCurrentSlotAndGoToItsThumbnail)
{
    Formbilder &f = shown();
    EXPECT_EQ(plainToolTip(f.Picture2[0]), QStringLiteral("Doppelklick einfügen>"));
    f.Text1->setText(QStringLiteral("4"));
    rest(f.Picture2[7], {8, 8});
    const QString thumbTip = QStringLiteral("Mit Doppelklick: Kopie in Zwischenablage kopieren von (Bild-4 Speicher)");
    EXPECT_EQ(plainToolTip(f.Picture2[4]), thumbTip);
    EXPECT_TRUE(plainToolTip(f.Picture2[7]).isEmpty());
    EXPECT_EQ(plainToolTip(f.Picture2[0]), QStringLiteral("Doppelklick einfügen>"));
    f.Text1->setText(QStringLiteral("0"));
    f.Picture2_MouseMove(3, 0, 0, 1, 1);
    EXPECT_EQ(plainToolTip(f.Picture2[0]), QString(thumbTip).replace(QLatin1Char('4'), QLatin1Char('0')));

    // Button texts, set by the pointer over each, with the slot text as it stands.
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
        rest(control, {4, 4});
        EXPECT_EQ(plainToolTip(control), text);
    }
    // Design texts stay.
    for (const auto &[control, text] : std::initializer_list<std::pair<QWidget *, const char *>>{
             {f.Command5, "Speichern"}, {f.Command16, "Bilder Ordner"}, {f.Command22, "Bild-Fenster"},
             {f.Command24, "Text Speicher"}, {f.Command9, "Aktualisieren"}}) {
        rest(control, {3, 3});
        EXPECT_EQ(plainToolTip(control), QString::fromUtf8(text));
    }
}

TEST_F(StoreWindow, LeftPressOnAnyThumbnailDragsTheWindowByThePointersPath)
{
    Formbilder &f = shown();
    subclass(f.hWnd());
    fill(2, solid(qRgb(9, 8, 7)));
    f.Text1->setText(QStringLiteral("2"));
    const QPoint origin = f.pos();
    // Drags the window from `p` of `w` along `path` (offsets from the press).
    const auto drag = [&](QWidget *w, QPoint p, Qt::MouseButton button, const std::vector<QPoint> &path) {
        rest(w, p);
        const QPoint start = w->mapToGlobal(p);
        QTest::mousePress(w, button, {}, p);
        for (const QPoint &step : path)
            QTest::mouseMove(w, w->mapFromGlobal(start + step));
        QTest::mouseRelease(w, button, {}, w->mapFromGlobal(start + path.back()));
    };

    // The right button does nothing; nor does a press released where it went down.
    drag(f.Picture2[6], {20, 20}, Qt::RightButton, {{30, 40}, {60, 80}});
    EXPECT_EQ(f.pos(), origin);
    EXPECT_EQ(moveRequests(), 0);
    QTest::mouseClick(f.Picture2[6], Qt::LeftButton, {}, {20, 20});
    EXPECT_EQ(f.pos(), origin);
    EXPECT_EQ(moveRequests(), 1) << "a title-bar press, sent as WM_NCLBUTTONDOWN/HTCAPTION";
    EXPECT_FALSE(systemmove::active());

    // The left button on any thumbnail, whatever the current slot: the window
    // follows the pointer, and no pointer move on the way reaches a thumbnail
    // (with "Auto-Maus" one would change the width).
    rest(f.Picture2[6], {20, 20});
    f.Check4->setValue(1);
    const int width = f.Width();
    drag(f.Picture2[6], {20, 20}, Qt::LeftButton, {{2, 1}, {15, 10}, {-40, 70}, {-25, 90}});
    EXPECT_EQ(f.pos(), origin + QPoint(-25, 90));
    EXPECT_EQ(moveRequests(), 2);
    EXPECT_FALSE(systemmove::active());
    EXPECT_EQ(f.Width(), width);
    f.Check4->setValue(0);

    // A double click on a thumbnail still copies the current slot.
    const QPoint p = f.Picture2[8]->rect().center();
    QTest::mouseClick(f.Picture2[8], Qt::LeftButton, {}, p);
    QTest::mouseDClick(f.Picture2[8], Qt::LeftButton, {}, p);
    EXPECT_EQ(d.clipboard.image.constBits(), f.Bildx[2]->Picture().constBits());
    EXPECT_EQ(f.pos(), origin + QPoint(-25, 90));

    // The move lets go of any mouse grab first.
    f.Picture2[1]->grabMouse();
    f.MoveWindow(f.hWnd());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    QTest::mouseRelease(f.Picture2[1], Qt::LeftButton);
    EXPECT_FALSE(systemmove::active());
}

TEST_F(StoreWindow, TheBackgroundDragsOnlyWithTheLeftButtonAlone)
{
    Formbilder &f = shown();
    subclass(f.hWnd());
    const QPoint bg = background();
    const QPoint origin = f.pos();
    const QPoint start = f.mapToGlobal(bg);

    // Left and right together: nothing.
    rest(&f, bg);
    QTest::mousePress(&f, Qt::LeftButton, {}, bg);
    QTest::mousePress(&f, Qt::RightButton, {}, bg);
    QTest::mouseMove(&f, bg + QPoint(1, 0));
    QTest::mouseMove(&f, bg + QPoint(30, 30));
    QTest::mouseRelease(&f, Qt::RightButton, {}, bg + QPoint(30, 30));
    QTest::mouseRelease(&f, Qt::LeftButton, {}, bg + QPoint(30, 30));
    EXPECT_EQ(f.pos(), origin);
    EXPECT_EQ(moveRequests(), 0);

    // Moves over a control with the left button held are the control's.
    rest(f.Command22, {5, 5});
    QTest::mousePress(f.Command22, Qt::LeftButton, {}, {5, 5});
    QTest::mouseMove(f.Command22, {40, 9});
    QTest::mouseRelease(f.Command22, Qt::LeftButton, {}, {40, 9});
    EXPECT_EQ(moveRequests(), 0);

    // The left button alone over the background: the window goes with the pointer.
    rest(&f, bg);
    QTest::mousePress(&f, Qt::LeftButton, {}, bg);
    for (const QPoint step : {QPoint(1, 0), QPoint(20, 5), QPoint(33, -12)})
        QTest::mouseMove(&f, f.mapFromGlobal(start + step));
    QTest::mouseRelease(&f, Qt::LeftButton, {}, f.mapFromGlobal(start + QPoint(33, -12)));
    // From where the pointer was at the move that started it.
    EXPECT_EQ(f.pos(), origin + QPoint(32, -12));
    EXPECT_EQ(moveRequests(), 1) << "further moves belong to the move itself";
}

TEST_F(StoreWindow, ButtonsThatOpenWindowsAndTheStorageBand)
{
    Formbilder &f = shown();
    // "Bild-Fenster" on an empty slot: the viewer shows an empty picture, its refresh pending.
    f.Text1->setText(QStringLiteral("6"));
    QTest::mouseClick(f.Command22, Qt::LeftButton);
    Bilderramen *viewer = d.forms->find<Bilderramen>();
    ASSERT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_TRUE(viewer->Image1->Picture().isNull());
    EXPECT_TRUE(viewer->Timer1->isActive());
    // "Text" opens the text store; its options are not read on this path.
    QTest::mouseClick(f.Command24, Qt::LeftButton);
    ASSERT_NE(d.forms->find<Textform>(), nullptr);
    EXPECT_TRUE(d.forms->find<Textform>()->isVisible());

    // Storage band: "Command3" says "Text"; "Command4" makes slot 0 current;
    // "start" captures; "Zwischablage.Show" shows the hidden viewer window.
    f.Command3->click();
    EXPECT_EQ(d.messages.texts(), QStringList{QStringLiteral("Text")});
    f.Option1[5]->setValue(true);
    f.Command4->click();
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("0"));
    EXPECT_TRUE(f.Option1[0]->isChecked());
    EXPECT_EQ(f.Caption(), QStringLiteral("Merkolo: Achtung [ Bild-0]  Speicher ist Aktiv !"));
    d.forms->get<Zwischablage>().Picture1->setPicture(solid(qRgb(1, 200, 3)));
    f.Check1->setValue(1);
    f.Command11->click();
    EXPECT_EQ(f.Bildx[0]->Picture().pixel(0, 0), qRgb(1, 200, 3));
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("1"));
    EXPECT_FALSE(d.forms->get<Zwischablage>().isVisible());
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
    // Values set in code (as the options file loads them), a click on "Transparent" and the focus leaving it.
    f.Check1->setValue(1);
    f.Check4->setValue(1);
    QTest::mouseClick(f.Check3, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(f.Check3->Value(), 1);
    f.Text1->setFocus();
    EXPECT_EQ(starter.Check1->Value(), 0);
    // Clicking "Auto-Maus" gives it the focus; the flag follows when the focus leaves, unchanged value or not.
    QTest::mouseClick(f.Check4, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(starter.Check1->Value(), 0);
    f.Command22->setFocus();
    EXPECT_EQ(starter.Check1->Value(), 1);
    starter.Check1->setValue(0);
    f.Check1->setFocus();
    f.Check4->setFocus();
    EXPECT_EQ(starter.Check1->Value(), 1) << "\"Automatisch\" too";
    // "vordergrund" clicked and left: no flag.
    f.Text1->setFocus();
    starter.Check1->setValue(0);
    QTest::mouseClick(f.Check2, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(f.Check2->Value(), 0);
    f.Text1->setFocus();
    EXPECT_EQ(starter.Check1->Value(), 0);
}
