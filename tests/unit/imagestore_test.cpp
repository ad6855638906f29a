// The image store's slots: capture, the current slot, storing, deleting.

#include "support/qtprint.h"
#include "support/testdesktop.h"

#include "capture/Zwischablage.h"
#include "imagestore/Formbilder.h"
#include "shell/Starter.h"
#include "winutil/twips.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kWrapMessage = QStringLiteral("Ende: Von Bilder-Speicher, setze auf Bild-0 !");

QString slotCaption(int n)
{
    return QStringLiteral("Merkolo: Achtung [ Bild-%1]  Speicher ist Aktiv !").arg(n);
}

// A picture whose colour tells which capture it was.
QImage numbered(int i, int w = 120, int h = 80)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(20 * i, 255 - 20 * i, 90));
    return img;
}

QRgb colourOf(int i)
{
    return qRgb(20 * i, 255 - 20 * i, 90);
}

class ImageStore : public ::testing::Test
{
protected:
    TestDesktop d;
    Formbilder &store() { return d.forms->get<Formbilder>(); }
    Zwischablage &viewer() { return d.forms->get<Zwischablage>(); }
    // Another program copies a picture.
    void copy(const QImage &img) { d.clipboard.setFromOutside(std::nullopt, img); }
    QStringList messages() const { return d.messages.texts(); }
    int selected()
    {
        for (int n = 0; n < Formbilder::kSlots; ++n)
            if (store().Option1[n]->isChecked())
                return n;
        return -1;
    }
    // The colour of a thumbnail's drawing (its surface), transparent when nothing is drawn.
    QRgb thumbnail(int n, int x = 10, int y = 10)
    {
        const QImage &s = store().Picture2[n]->surface();
        return s.isNull() ? 0 : s.pixel(x, y);
    }
};

} // namespace

TEST_F(ImageStore, OpensWithSlotZeroPlaceholderAndSamples)
{
    Formbilder &f = store();
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("0"));
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(f.Caption(), QStringLiteral("Merkolo, Quenta"));
    EXPECT_EQ(f.ScaleWidth(), 12210);
    EXPECT_EQ(f.ScaleHeight(), 1455);
    EXPECT_EQ(f.Check2->Value(), 1);
    EXPECT_EQ(f.Check1->Value(), 0);
    EXPECT_EQ(f.Check3->Value(), 0);
    EXPECT_EQ(f.Check4->Value(), 0);

    // Placeholder and samples: 70 x 46 pictures shipped with the program.
    EXPECT_EQ(f.Picture7->Picture().size(), QSize(70, 46));
    EXPECT_EQ(f.Picture7->Picture().cacheKey(), f.Picture3->Picture().cacheKey());
    for (int n = 0; n < Formbilder::kSlots; ++n) {
        EXPECT_EQ(f.Picture2[n]->hasPicture(), n < 3) << n;
        if (n < 3) {
            EXPECT_EQ(f.Picture2[n]->Picture().size(), QSize(70, 46)) << n;
        }
        EXPECT_FALSE(f.Bildx[n]->hasPicture()) << n;
    }
    EXPECT_NE(f.Picture2[0]->Picture().pixel(35, 5), f.Picture2[1]->Picture().pixel(35, 5));

    // The hidden viewer window was loaded, shown and hidden again.
    ASSERT_NE(d.forms->find<Zwischablage>(), nullptr);
    EXPECT_FALSE(viewer().isVisible());

    // Everything of the visible band lies inside the client area, the storage band below it.
    const QRect client = f.rect();
    for (QWidget *w : f.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        const twips::Rect r = twips::of(w);
        if (r.top < 1440)
            EXPECT_TRUE(client.contains(w->geometry())) << w->metaObject()->className() << " at " << r.left;
        else
            EXPECT_GE(w->geometry().top(), client.bottom());
    }
}

TEST_F(ImageStore, CaptureWithoutAutomatischTouchesOnlyPreviewAndWorkingPicture)
{
    Formbilder &f = store();
    const QImage img = numbered(3);
    copy(img);

    EXPECT_EQ(f.Picture1->Picture().cacheKey(), img.cacheKey());
    EXPECT_EQ(twips::of(f.Picture7).width, 1215);
    EXPECT_EQ(twips::of(f.Picture7).height, 855);
    EXPECT_EQ(f.Picture7->surface().pixel(10, 10), colourOf(3));
    // The placeholder stays the preview's picture beneath the drawing.
    EXPECT_EQ(f.Picture7->Picture().size(), QSize(70, 46));
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("0"));
    EXPECT_EQ(selected(), 0);
    for (int n = 0; n < Formbilder::kSlots; ++n) {
        EXPECT_FALSE(f.Bildx[n]->hasPicture()) << n;
        EXPECT_TRUE(f.Picture2[n]->surface().isNull()) << n;
    }
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_EQ(f.Caption(), QStringLiteral("Merkolo, Quenta"));
}

TEST_F(ImageStore, TenCapturesFillTheRingAndTheTenthWrapsToSlotZero)
{
    Formbilder &f = store();
    f.Check1->setValue(1);
    for (int i = 0; i < 10; ++i) {
        copy(numbered(i));
        if (i < 9) {
            EXPECT_EQ(f.Text1->Text(), QString::number(i + 1));
            EXPECT_EQ(selected(), i + 1);
            EXPECT_EQ(f.Caption(), slotCaption(i + 1));
            EXPECT_TRUE(messages().isEmpty());
        }
    }
    ASSERT_EQ(d.messages.calls.size(), 1u);
    EXPECT_EQ(d.messages.calls[0].text, kWrapMessage);
    EXPECT_EQ(d.messages.calls[0].style, vbOKOnly);
    EXPECT_EQ(d.messages.calls[0].title, QStringLiteral("Merkolo"));
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("0"));
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(f.Caption(), slotCaption(0));

    for (int n = 0; n < Formbilder::kSlots; ++n) {
        ASSERT_TRUE(f.Bildx[n]->hasPicture()) << n;
        EXPECT_EQ(f.Bildx[n]->Picture().size(), QSize(120, 80)) << "full size, not scaled";
        EXPECT_EQ(f.Bildx[n]->Picture().pixel(0, 0), colourOf(n)) << n;
        EXPECT_EQ(thumbnail(n), colourOf(n)) << n;
        EXPECT_EQ(twips::of(f.Picture2[n]).width, 1095) << n;
        EXPECT_EQ(twips::of(f.Picture2[n]).height, 735) << n;
    }
    // The thumbnail covers the whole inner area: the sample picture no longer shows.
    EXPECT_EQ(thumbnail(0, 68, 44), colourOf(0));

    copy(numbered(11));
    EXPECT_EQ(f.Bildx[0]->Picture().pixel(0, 0), colourOf(11));
    EXPECT_EQ(thumbnail(0), colourOf(11));
    EXPECT_EQ(f.Bildx[1]->Picture().pixel(0, 0), colourOf(1));
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("1"));
    EXPECT_EQ(d.messages.calls.size(), 1u);
}

// Pictures copied while the wrap message is open are not lost: they wait
// for the answer and go into slots 0, 1, 2 in the order they came.
TEST_F(ImageStore, PicturesArrivingWhileTheWrapMessageIsOpenWaitForTheAnswer)
{
    Formbilder &f = store();
    f.Check1->setValue(1);
    f.Option1_Click(9);
    d.messages.whileOpen = [&](const QString &text) {
        if (text != kWrapMessage)
            return;
        d.messages.whileOpen = nullptr;
        for (int i = 1; i <= 3; ++i)
            copy(numbered(i));
        EXPECT_EQ(f.Text1->Text(), QStringLiteral("10")) << "the handler that asked is still at work";
    };
    copy(numbered(0)); // into slot 9, then the wrap message
    QCoreApplication::processEvents();
    EXPECT_EQ(messages(), QStringList({kWrapMessage}));
    EXPECT_EQ(f.Bildx[9]->Picture().pixel(0, 0), colourOf(0));
    for (int n = 0; n < 3; ++n) {
        ASSERT_TRUE(f.Bildx[n]->hasPicture()) << n;
        EXPECT_EQ(f.Bildx[n]->Picture().pixel(0, 0), colourOf(n + 1)) << n;
        EXPECT_EQ(thumbnail(n), colourOf(n + 1)) << n;
    }
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("3"));
    EXPECT_EQ(selected(), 3);
}

TEST_F(ImageStore, ArrowsAndSlotButtonsMoveTheCurrentSlot)
{
    Formbilder &f = store();
    f.Show();
    QTest::mouseClick(f.Option1[9], Qt::LeftButton);
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("9"));
    EXPECT_EQ(f.Caption(), slotCaption(9));

    QTest::mouseClick(f.Command12, Qt::LeftButton); // ">" on 9
    EXPECT_EQ(messages(), QStringList{kWrapMessage});
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("0"));
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(f.Caption(), slotCaption(0));

    QTest::mouseClick(f.Command13, Qt::LeftButton); // "<" on 0: no wrap to 9
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("0"));
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(messages().size(), 1);

    f.Command12_Click();
    f.Command12_Click();
    f.Command13_Click();
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("1"));
    EXPECT_EQ(selected(), 1);

    // Focus on a slot button names the current slot, not the focused button.
    f.Option1_GotFocus(7);
    EXPECT_EQ(f.Caption(), QStringLiteral("Bild-1 Speicher ist Aktiv"));
    // So does the hover text, and only the current slot's button gets it.
    QTest::mouseMove(f.Option1[6]);
    EXPECT_EQ(plainToolTip(f.Option1[1]),
              QStringLiteral("Mit Doppelklick: Zwischenablage einfügen in (Bild-1 Speicher)"));
    EXPECT_TRUE(plainToolTip(f.Option1[6]).isEmpty());
}

TEST_F(ImageStore, TypedSlotNumbers)
{
    Formbilder &f = store();
    f.Show();
    f.Check1->setValue(1);
    auto type = [&](const QString &keys) {
        f.Text1->selectAll();
        QTest::keyClicks(f.Text1, keys);
    };

    // Deleting the digit leaves no number: message and back to 0.
    f.Text1->selectAll();
    QTest::keyClick(f.Text1, Qt::Key_Backspace);
    EXPECT_EQ(messages(), QStringList{kWrapMessage});
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("0"));

    f.Text1->setText(QStringLiteral("1"));
    d.messages.calls.clear();
    f.Text1->end(false);
    QTest::keyClicks(f.Text1, QStringLiteral("2")); // "12"
    EXPECT_EQ(messages(), QStringList{kWrapMessage});
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("0"));

    d.messages.calls.clear();
    f.Text1->end(false);
    QTest::keyClicks(f.Text1, QStringLiteral("x")); // "0x"
    EXPECT_EQ(messages(), QStringList{kWrapMessage});
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("0"));

    // 7 is current although "Bild 0" stays selected and the caption stays.
    d.messages.calls.clear();
    const QString caption = f.Caption();
    f.Text1->selectAll();
    QTest::keyClicks(f.Text1, QStringLiteral("7"));
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("7"));
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(f.Caption(), caption);
    EXPECT_TRUE(messages().isEmpty());
    copy(numbered(7));
    EXPECT_TRUE(f.Bildx[7]->hasPicture());
    EXPECT_FALSE(f.Bildx[0]->hasPicture());
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("8"));
    EXPECT_EQ(selected(), 8);

    // Fractions address the nearest slot, an exact half the even one; the
    // advanced number selects its slot button, which writes back its digit.
    type(QStringLiteral("2.5"));
    copy(numbered(2));
    EXPECT_EQ(f.Bildx[2]->Picture().pixel(0, 0), colourOf(2));
    EXPECT_EQ(selected(), 4); // 3.5
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("4"));
    type(QStringLiteral("6.5"));
    copy(numbered(6));
    EXPECT_EQ(f.Bildx[6]->Picture().pixel(0, 0), colourOf(6));
    EXPECT_EQ(selected(), 8); // 7.5
    EXPECT_TRUE(messages().isEmpty());

    // Above 9 wraps even where it would round to 9; below 0 resets silently.
    type(QStringLiteral("9.4"));
    EXPECT_EQ(messages(), QStringList{kWrapMessage});
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("0"));
    d.messages.calls.clear();
    f.Text1->setText(QStringLiteral("-1"));
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("0"));
    EXPECT_EQ(selected(), 0);
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(ImageStore, DoubleClickStoresIntoTheCurrentSlotNotTheClickedOne)
{
    Formbilder &f = store();
    f.Show();
    copy(numbered(5)); // held by the viewer window; "Automatisch" is off
    f.Text1->setText(QStringLiteral("2"));
    f.Option1_DblClick(5);
    EXPECT_EQ(f.Bildx[2]->Picture().pixel(0, 0), colourOf(5));
    EXPECT_EQ(thumbnail(2), colourOf(5));
    EXPECT_FALSE(f.Bildx[5]->hasPicture());
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("2")) << "a double-click does not advance";

    // With the mouse, the first click of a double-click selects the button first.
    const QPoint p = f.Option1[6]->rect().center();
    QTest::mouseClick(f.Option1[6], Qt::LeftButton, {}, p);
    QTest::mouseDClick(f.Option1[6], Qt::LeftButton, {}, p);
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("6"));
    EXPECT_TRUE(f.Bildx[6]->hasPicture());

    // "Einfügen" does the same store by hand.
    copy(numbered(8));
    QTest::mouseClick(f.Command17, Qt::LeftButton);
    EXPECT_EQ(f.Bildx[6]->Picture().pixel(0, 0), colourOf(8));
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("6"));
}

TEST_F(ImageStore, DeletingSlotsKeepsSlotNumberAndWorkingPicture)
{
    Formbilder &f = store();
    f.Check1->setValue(1);
    for (int i = 0; i < 4; ++i)
        copy(numbered(i));
    ASSERT_EQ(f.Text1->Text(), QStringLiteral("4"));

    f.Text1->setText(QStringLiteral("2"));
    f.Command27_Click(); // "[x]"
    EXPECT_FALSE(f.Bildx[2]->hasPicture());
    EXPECT_FALSE(f.Picture2[2]->hasPicture()) << "the sample picture goes too";
    EXPECT_TRUE(f.Picture2[2]->surface().isNull());
    EXPECT_TRUE(f.Bildx[1]->hasPicture());
    f.Command27_Click(); // an empty slot: nothing happens, no message
    EXPECT_TRUE(messages().isEmpty());

    const qint64 working = f.Picture1->Picture().cacheKey();
    f.Command15_Click(); // "löschen"
    for (int n = 0; n < Formbilder::kSlots; ++n) {
        EXPECT_FALSE(f.Bildx[n]->hasPicture()) << n;
        EXPECT_FALSE(f.Picture2[n]->hasPicture()) << n;
        EXPECT_TRUE(f.Picture2[n]->surface().isNull()) << n;
    }
    EXPECT_EQ(f.Picture7->Picture().cacheKey(), f.Picture3->Picture().cacheKey());
    EXPECT_TRUE(f.Picture7->surface().isNull());
    EXPECT_EQ(f.Picture1->Picture().cacheKey(), working);
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("2"));

    // The next capture goes into the current slot, not into slot 0.
    copy(numbered(9));
    EXPECT_TRUE(f.Bildx[2]->hasPicture());
    EXPECT_FALSE(f.Bildx[0]->hasPicture());
    // "Einfügen" stores the last captured picture again.
    f.Command17_Click();
    EXPECT_EQ(f.Bildx[3]->Picture().pixel(0, 0), colourOf(9));
}

TEST_F(ImageStore, WhatIsNoPictureIsNeverStored)
{
    Formbilder &f = store();
    f.Check1->setValue(1);

    // Nothing captured yet: "start" and "Einfügen" find no picture and change nothing.
    f.Command11_Click();
    f.Command17_Click();
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("0"));
    EXPECT_FALSE(f.Bildx[0]->hasPicture());
    EXPECT_EQ(twips::of(f.Picture7).height, 735);

    copy(QImage()); // 0 x 0: the clipboard offers no bitmap
    copy(QImage(0, 0, QImage::Format_RGB32));
    d.clipboard.unreadable = true; // offered but cannot be read
    copy(numbered(1));
    d.clipboard.unreadable = false;
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("0"));
    EXPECT_FALSE(f.Picture1->hasPicture());
    EXPECT_TRUE(f.Picture7->surface().isNull());

    // Extreme shapes are stored whole and fitted into the thumbnail.
    QImage tall(1, 20000, QImage::Format_RGB32);
    tall.fill(qRgb(1, 2, 3));
    copy(tall);
    EXPECT_EQ(f.Bildx[0]->Picture().size(), QSize(1, 20000));
    EXPECT_EQ(thumbnail(0), qRgb(1, 2, 3));
    QImage huge(20000, 20000, QImage::Format_Mono); // 50 MB
    huge.fill(0);
    copy(huge);
    EXPECT_EQ(f.Bildx[1]->Picture().size(), QSize(20000, 20000));
    EXPECT_EQ(qAlpha(thumbnail(1)), 255);
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("2"));

    // An empty current slot's "[x]" and a viewer that lost its picture keep the slots as they are.
    viewer().Picture1->setPicture(QImage());
    f.Text1->setText(QStringLiteral("1"));
    f.Command17_Click();
    EXPECT_EQ(f.Bildx[1]->Picture().size(), QSize(20000, 20000));
}

TEST_F(ImageStore, OneCapturedPictureIsHeldOnceWhereverItIs)
{
    Formbilder &f = store();
    f.Check1->setValue(1);
    QImage img(1920, 1080, QImage::Format_RGB32);
    img.fill(qRgb(7, 8, 9));
    const uchar *pixels = img.constBits();
    copy(img);
    img = QImage(); // the clipboard keeps its own reference

    const QImage &held = f.Bildx[0]->Picture();
    EXPECT_EQ(held.constBits(), pixels);
    EXPECT_EQ(f.Picture1->Picture().constBits(), pixels);
    EXPECT_EQ(viewer().Picture1->Picture().constBits(), pixels);
    EXPECT_EQ(held.cacheKey(), f.Picture1->Picture().cacheKey());
    // Showing and painting the window reads the pictures without copying them.
    f.Show();
    f.grab();
    EXPECT_EQ(f.Bildx[0]->Picture().constBits(), pixels);
}

TEST_F(ImageStore, ClosingOffersChangedOptionsAndNeverCancels)
{
    Starter &starter = d.forms->get<Starter>();
    {
        Formbilder &f = store();
        f.Show();
        f.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
        f.Check2->setFocus();
        f.Check3->setFocus(); // neither is a saved option
        EXPECT_EQ(starter.Check1->Value(), 0);
        f.Check4->setFocus();
        f.Check1->setFocus(); // "Auto-Maus" lost the focus, unchanged
        EXPECT_EQ(starter.Check1->Value(), 1);
        f.Text1->setFocus(); // and "Automatisch"
        EXPECT_EQ(starter.Check1->Value(), 1);
        // Escape from any focused control closes; the flag is dealt with on the way.
        QTest::keyClick(f.Text1, Qt::Key_Escape);
    }
    EXPECT_EQ(d.forms->find<Formbilder>(), nullptr);
    EXPECT_EQ(starter.Check1->Value(), 0);
    TestDesktop::flushDeletes();

    // Opening again starts afresh; "EXIT" closes at once when no option was touched.
    Formbilder &again = store();
    again.Check1->setValue(1);
    EXPECT_EQ(again.Text1->Text(), QStringLiteral("0"));
    QTest::mouseClick(again.Command10, Qt::LeftButton);
    EXPECT_EQ(d.forms->find<Formbilder>(), nullptr);
    EXPECT_EQ(starter.Check1->Value(), 0);
    // Only the first close asked about the options.
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Möchten Sie die geänderten Optionen (Bilder-Merkolo) speichern ?")});
}
