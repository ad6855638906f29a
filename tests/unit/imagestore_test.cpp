// The image store's slots: capture, the current slot, storing, copying,
// deleting, the storage-band probes, and saving slots as files.

#include "support/files.h"
#include "support/openedurls.h"
#include "support/qtprint.h"
#include "support/testdesktop.h"

#include "capture/Zwischablage.h"
#include "forms/twips.h"
#include "imagestore/Bilderramen.h"
#include "imagestore/Formbilder.h"
#include "shell/Starter.h"

#include <QAccessible>
#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <functional>
#include <tuple>
#include <utility>
#include <sys/resource.h>

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

// The preview and the thumbnails are drawn at the screen's device pixels
// (scripts/test runs this at 1, 1.5 and 2): the fitted size stays 69 x 45
// pixels of the box, its drawing has that many times the device pixel ratio
// each way, every device column its own column of the picture, not one
// pixel drawn and then doubled.
TEST_F(ImageStore, PreviewAndThumbnailsAreDrawnAtTheScreensDevicePixels)
{
    Formbilder &f = store();
    f.Check1->setValue(1);
    const double dpr = f.devicePixelRatioF();
    const QSize drawn(int(std::lround(69 * dpr)), int(std::lround(45 * dpr)));
    QImage stripes(drawn, QImage::Format_RGB32); // one column a device pixel of the drawing
    for (int x = 0; x < drawn.width(); ++x)
        for (int y = 0; y < drawn.height(); ++y)
            stripes.setPixel(x, y, x % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    copy(stripes);
    for (PictureBox *box : {f.Picture7, f.Picture2[0]}) {
        SCOPED_TRACE(box == f.Picture7 ? "preview" : "thumbnail");
        EXPECT_EQ(box->surfaceRatio(), dpr);
        const QImage &s = box->surface();
        ASSERT_GE(s.width(), drawn.width());
        ASSERT_GE(s.height(), drawn.height());
        int changes = 0;
        for (int x = 0; x + 1 < drawn.width(); ++x)
            changes += s.pixel(x, drawn.height() / 2) != s.pixel(x + 1, drawn.height() / 2);
        EXPECT_EQ(changes, drawn.width() - 1);
        EXPECT_EQ(qAlpha(s.pixel(drawn.width(), 0)), 0) << "nothing beside the fitted size";
        EXPECT_EQ(qAlpha(s.pixel(0, drawn.height())), 0);
    }
    EXPECT_EQ(twips::of(f.Picture2[0]), (twips::Rect{1320, 0, 1095, 735}));
    // Shown device pixel for device pixel.
    const QImage seen = f.Picture2[0]->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPoint inner(int(std::lround(2 * dpr)), int(std::lround(2 * dpr)));
    EXPECT_TRUE(seen.copy(QRect(inner, drawn)) == stripes);
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
        EXPECT_FALSE(f.currentSlot().has_value()) << "10 is no slot: nothing may be stored or read there";
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

// While the wrap message is open the store's controls act on nothing, also
// when pressed or toggled through the accessibility interface: no second box.
TEST_F(ImageStore, WhileAMessageIsOpenTheAccessibilityInterfacePressesNothing)
{
    Formbilder &f = store();
    f.Show();
    copy(numbered(1));
    f.Option1_Click(9);
    f.Command17_Click(); // a picture in slot 9: "Speichern" would save it and say so
    const struct {
        QAbstractButton *control;
        QString action;
    } rows[] = {{f.Command5, QAccessibleActionInterface::pressAction()},
                {f.Command12, QAccessibleActionInterface::pressAction()},
                {f.Check4, QAccessibleActionInterface::toggleAction()}};
    d.messages.whileOpen = [&](const QString &) {
        d.messages.whileOpen = nullptr;
        for (const auto &r : rows) {
            QAccessibleInterface *a = QAccessible::queryAccessibleInterface(r.control);
            ASSERT_TRUE(a && a->actionInterface());
            a->actionInterface()->doAction(r.action);
            EXPECT_TRUE(QTest::qWaitFor([&] { return !r.control->isDown(); })) << &r - rows;
        }
    };
    f.Command12_Click();
    EXPECT_EQ(messages(), QStringList({kWrapMessage}));
    EXPECT_EQ(f.Check4->Value(), 0);
    // Answered, the box lets the same press through, by the caption's name.
    QAccessibleInterface *autoMaus = QAccessible::queryAccessibleInterface(f.Check4);
    EXPECT_EQ(autoMaus->text(QAccessible::Name), QStringLiteral("Auto-Maus"));
    autoMaus->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.Check4->Value() == 1; }));
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

namespace {

class SlotTransfer : public ImageStore
{
protected:
    // Slot n takes `img` by hand; "Automatisch" stays as it is.
    void fill(int n, const QImage &img)
    {
        copy(img);
        store().Text1->setText(QString::number(n));
        store().Command17_Click();
    }
    QString bilder() const { return QDir(d.roots.current).filePath(QStringLiteral("bilder")); }
    // Every file under the current directory, relative to it.
    QStringList filesWritten() const
    {
        QStringList out;
        QDirIterator it(d.roots.current, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            out << QDir(d.roots.current).relativeFilePath(it.next());
        out.sort();
        return out;
    }
};

QString saved(const QString &name, const char *end = "")
{
    return QStringLiteral("OK Bild wurde gespeichert: Im Ordner [bilder/],  Name: ") + name + QLatin1String(end);
}

const QString kNoPicture = QStringLiteral("Kein Bild geladen, Datei wird nicht gespeichert");
const QString kFailed = QStringLiteral("Fehler: Bild wurde nicht gespeichert: ");

} // namespace

TEST_F(SlotTransfer, EveryCopyTriggerCopiesTheCurrentSlotAndTheCopyComesBackThroughCapture)
{
    Formbilder &f = store();
    f.Show();
    fill(2, numbered(2, 640, 480));
    const QPoint thumb = f.Picture2[5]->rect().center();
    const std::pair<const char *, std::function<void()>> triggers[] = {
        {"Kopieren", [&] { QTest::mouseClick(f.Command19, Qt::LeftButton); }},
        {"double click on thumbnail 5", [&] {
             QTest::mouseClick(f.Picture2[5], Qt::LeftButton, {}, thumb);
             QTest::mouseDClick(f.Picture2[5], Qt::LeftButton, {}, thumb);
         }},
        {"click on storage box 7", [&] { QTest::mouseClick(f.Bildx[7], Qt::LeftButton); }},
        {"double click on the preview", [&] {
             QTest::mouseClick(f.Picture7, Qt::LeftButton);
             QTest::mouseDClick(f.Picture7, Qt::LeftButton);
         }},
    };
    for (const auto &[what, trigger] : triggers) {
        f.Text1->setText(QStringLiteral("2"));
        d.clipboard.setFromOutside(QStringLiteral("vorher"));
        QSignalSpy changes(&d.clipboard, &Clipboard::changed);
        trigger();
        EXPECT_EQ(changes.count(), 1) << what << ": one change, no clearing before it";
        EXPECT_EQ(d.clipboard.image.constBits(), f.Bildx[2]->Picture().constBits()) << what << ": full size";
        EXPECT_EQ(f.Picture7->surface().pixel(10, 10), colourOf(2)) << what << ": captured again";
        EXPECT_EQ(f.Text1->Text(), QStringLiteral("2")) << what;
    }
    // With "Automatisch" the copy is stored again into its own slot and the number advances.
    f.Check1->setValue(1);
    f.Command19_Click();
    EXPECT_EQ(f.Bildx[2]->Picture().pixel(0, 0), colourOf(2));
    EXPECT_FALSE(f.Bildx[3]->hasPicture());
    EXPECT_EQ(selected(), 3);

    // An empty slot leaves the clipboard as it was, without a word.
    d.clipboard.setFromOutside(QStringLiteral("bleibt"));
    QSignalSpy changes(&d.clipboard, &Clipboard::changed);
    f.Command19_Click();
    f.Picture7_DblClick();
    EXPECT_EQ(changes.count(), 0);
    EXPECT_EQ(d.clipboard.text, std::optional<QString>(QStringLiteral("bleibt")));
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("3"));
    EXPECT_TRUE(messages().isEmpty());
}

TEST_F(SlotTransfer, LoeschenFromTheTrayMenuEmptiesEverySlotAndKeepsTheNumber)
{
    Formbilder &f = store();
    for (int n : {0, 3, 9})
        fill(n, numbered(n));
    f.Text1->setText(QStringLiteral("6"));
    d.forms->get<Starter>().zwischenablageleeren_Click();
    for (int n = 0; n < Formbilder::kSlots; ++n)
        EXPECT_FALSE(f.Bildx[n]->hasPicture() || !f.Picture2[n]->surface().isNull()) << n;
    EXPECT_EQ(f.Picture7->Picture().cacheKey(), f.Picture3->Picture().cacheKey());
    f.Check1->setValue(1);
    copy(numbered(7));
    EXPECT_EQ(f.Bildx[6]->Picture().pixel(0, 0), colourOf(7));
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("7"));
}

TEST_F(SlotTransfer, StorageBandProbesTestCopyAndUndo)
{
    Formbilder &f = store();
    const auto press = [&](QPushButton *b) {
        d.messages.calls.clear();
        b->click();
        return messages();
    };
    // SelectedIndex over the slot buttons: "0", "1", nothing for any other slot.
    const std::pair<int, QStringList> probes[] = {{0, {"0"}}, {1, {"1"}}, {3, {}}};
    for (const auto &[slot, shown] : probes) {
        f.Option1[slot]->setValue(true);
        EXPECT_EQ(press(f.Command21), shown) << slot;
    }
    // Slot 1's probe paints the held picture into thumbnail 1 and leaves its fitted size.
    EXPECT_EQ(press(f.Command20), QStringList{QStringLiteral("kein Treffer")});
    copy(numbered(6, 200, 50));
    f.Option1[1]->setValue(true);
    EXPECT_EQ(press(f.Command20), QStringList{QStringLiteral("1 Treffer")});
    EXPECT_EQ(thumbnail(1), colourOf(6));
    EXPECT_EQ(f.Picture2[1]->size(), QSize(69, 45)) << "the working box's shape, not set back";

    // The test copy clears, then puts thumbnail 1's own picture (its sample) on the clipboard;
    // once that picture is gone it says so and leaves the clipboard alone.
    QSignalSpy changes(&d.clipboard, &Clipboard::changed);
    f.Command23->click();
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(d.clipboard.image.cacheKey(), f.Picture2[1]->Picture().cacheKey());
    f.Command27_Click();
    d.clipboard.setFromOutside(QStringLiteral("bleibt"));
    EXPECT_EQ(press(f.Command23), QStringList{QStringLiteral("Test-Kopie nicht möglich: Bild 1 hat kein eigenes "
                                                             "Bild mehr. Die Zwischenablage bleibt, wie sie war.")});
    EXPECT_EQ(d.clipboard.text, std::optional<QString>(QStringLiteral("bleibt")));

    f.Command1->click(); // "Transparent", then "Rückgängig": opaque again
    EXPECT_LT(f.windowOpacity(), 0.6);
    f.Command2->click();
    EXPECT_EQ(f.windowOpacity(), 1.0);
}

TEST_F(SlotTransfer, SavedNamesAtAFixedClockAndTheFileHoldsTheSlot)
{
    Formbilder &f = store();
    QImage photo(641, 479, QImage::Format_RGB32);
    QRandomGenerator random(5);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, random.generate() | 0xff000000u);
    fill(3, photo);
    const std::tuple<QDateTime, const char *, const char *> rows[] = {
        {{{2026, 12, 6}, {14, 5, 9}}, "3", "Bild-3-06-12-2026-14-05-09"},
        {{{2027, 1, 1}, {0, 0, 0}}, "3", "Bild-3-01-01-2027-00-00-00"},
        {{{2026, 3, 9}, {9, 5, 7}}, "03", "Bild-03-09-03-2026-09-05-07"},
        {{{2026, 7, 31}, {23, 59, 59}}, "3", "Bild-3-31-07-2026-23-59-59"},
    };
    for (const auto &[at, slot, stem] : rows) {
        d.clock.time = at;
        f.Text1->setText(QString::fromUtf8(slot));
        // The pointer over "-Uhr" shows the name the stamped save would write now.
        f.Command14_MouseMove(0, 0, 1, 1);
        EXPECT_EQ(plainToolTip(f.Command14), QString::fromUtf8(stem));
        d.messages.calls.clear();
        f.Command14->click();
        f.Command5->click(); // twice: the second replaces the first
        f.Command5->click();
        const QString plain = QStringLiteral("Bild-%1.bmp").arg(QString::fromUtf8(slot));
        EXPECT_EQ(messages(), (QStringList{saved(QString::fromUtf8(stem) + ".bmp", " !"), saved(plain), saved(plain)}));
    }
    EXPECT_EQ(filesWritten(),
              (QStringList{"bilder/Bild-03-09-03-2026-09-05-07.bmp", "bilder/Bild-03.bmp",
                           "bilder/Bild-3-01-01-2027-00-00-00.bmp", "bilder/Bild-3-06-12-2026-14-05-09.bmp",
                           "bilder/Bild-3-31-07-2026-23-59-59.bmp", "bilder/Bild-3.bmp"}));
    const QImage back(QDir(bilder()).filePath(QStringLiteral("Bild-3.bmp")));
    EXPECT_TRUE(back.convertToFormat(QImage::Format_RGB32) == photo);

    // An empty slot: the message alone; the stamp was renewed all the same.
    d.messages.calls.clear();
    d.clock.time = d.clock.time.addSecs(1);
    f.Text1->setText(QStringLiteral("4"));
    f.Command14_Click();
    f.Command5_Click();
    EXPECT_EQ(messages(), (QStringList{kNoPicture, kNoPicture}));
    EXPECT_EQ(f.Label2->text(), QStringLiteral("-01-08-2026-00-00-00"));
    EXPECT_EQ(filesWritten().size(), 6);
}

TEST_F(SlotTransfer, AFailedWriteIsReportedWithThePathAndLeavesNoHalfFile)
{
    Formbilder &f = store();
    fill(2, numbered(2, 20, 10));
    f.Command5_Click(); // creates the folder
    const QString path = QDir(bilder()).filePath(QStringLiteral("Bild-2.bmp"));
    const QByteArray old = fileContents(path);
    ASSERT_EQ(old.size(), 54 + 60 * 10);

    // A file-size limit stands in for a disk that fills during the save.
    fill(2, numbered(2, 800, 600));
    d.messages.calls.clear();
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit before{};
    getrlimit(RLIMIT_FSIZE, &before);
    rlimit small = before;
    small.rlim_cur = 64 * 1024;
    setrlimit(RLIMIT_FSIZE, &small);
    f.Command5_Click();
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(kFailed + QDir::toNativeSeparators(path)
                                         + QStringLiteral("\nDie Datei konnte nicht vollständig geschrieben werden (")))
        << messages()[0].toStdString();
    EXPECT_EQ(fileContents(path), old);
    EXPECT_EQ(filesWritten(), QStringList{"bilder/Bild-2.bmp"});

    // A file where the folder should be.
    QDir(bilder()).removeRecursively();
    writeFile(bilder(), "kein Ordner");
    d.messages.calls.clear();
    f.Command14_Click();
    EXPECT_EQ(messages(), QStringList{kFailed + QDir::toNativeSeparators(bilder())
                                      + QStringLiteral("/Bild-2-06-12-2026-14-05-09.bmp\nDer Ordner ")
                                      + QDir::toNativeSeparators(bilder())
                                      + QStringLiteral(" fehlt und kann nicht angelegt werden.\nAn seiner Stelle "
                                                       "liegt eine Datei.")});
    EXPECT_EQ(fileContents(bilder()), QByteArray("kein Ordner"));
}

TEST_F(SlotTransfer, BadSlotTextsNeverWriteOutsideTheFolder)
{
    Formbilder &f = store();
    const std::tuple<const char *, int, bool> rows[] = {
        {"03", 3, false}, {"9.5", 0, true}, {"-1", 0, false}, {"abc", 0, true}, {"../x", 0, true}, {"", 0, true},
    };
    for (const auto &[pasted, slot, wraps] : rows) {
        QDir(bilder()).removeRecursively();
        fill(0, numbered(0));
        fill(3, numbered(3));
        f.Text1->setText(QStringLiteral("1"));
        d.messages.calls.clear();
        f.Text1->setText(QString::fromUtf8(pasted));
        EXPECT_EQ(messages(), wraps ? QStringList{kWrapMessage} : QStringList()) << pasted;
        f.Command19_Click();
        EXPECT_EQ(d.clipboard.image.pixel(0, 0), colourOf(slot)) << pasted;
        f.Command5_Click();
        EXPECT_EQ(filesWritten(), QStringList{"bilder/Bild-" + f.Text1->Text() + ".bmp"}) << pasted;
        f.Command27_Click();
        EXPECT_TRUE(!f.Bildx[slot]->hasPicture() && f.Bildx[3 - slot]->hasPicture()) << pasted;
    }

    // While the reset message is open the text still reads as typed: whatever
    // runs then finds no slot, writes nothing and says why.
    QDir(bilder()).removeRecursively();
    fill(0, numbered(0));
    bool first = true;
    d.messages.whileOpen = [&](const QString &text) {
        if (text != kWrapMessage || !std::exchange(first, false))
            return;
        f.Command5_Click();
        f.Command14_Click();
        f.Command19_Click();
        f.Command27_Click();
    };
    d.clipboard.setFromOutside(QStringLiteral("bleibt"));
    d.messages.calls.clear();
    f.Text1->setText(QStringLiteral("/../../x"));
    d.messages.whileOpen = nullptr;
    const QString refused = QStringLiteral("Bild wurde nicht gespeichert: \"/../../x\" ist keine Bildnummer von 0 "
                                           "bis 9 und taugt nicht als Dateiname.");
    EXPECT_EQ(messages(), (QStringList{kWrapMessage, refused, refused}));
    EXPECT_TRUE(filesWritten().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(QDir(d.roots.current).filePath(QStringLiteral("../x.bmp"))));
    EXPECT_EQ(d.clipboard.text, std::optional<QString>(QStringLiteral("bleibt")));
    EXPECT_TRUE(f.Bildx[0]->hasPicture());
}

TEST_F(SlotTransfer, BilderOrdnerOpensTheFolderCreatingItWhenMissing)
{
    Formbilder &f = store();
    OpenedUrls opened;
    f.Command16->click();
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(bilder())});
    QDir(bilder()).removeRecursively();
    writeFile(bilder(), "kein Ordner");
    f.Command16->click();
    EXPECT_EQ(opened.urls.size(), 1);
    EXPECT_EQ(messages(), QStringList{QStringLiteral("Der Ordner ") + QDir::toNativeSeparators(bilder())
                                      + QStringLiteral(" fehlt und kann nicht angelegt werden.\nAn seiner Stelle "
                                                       "liegt eine Datei.")});
}

TEST_F(SlotTransfer, APictureKeptAsItsBytesShowsSavesViewsAndCopiesItsOwnPixels)
{
    Formbilder &f = store();
    f.Show();
    const auto argb = [](const QImage &img) { return img.convertToFormat(QImage::Format_ARGB32); };
    for (const QSize size : {QSize(1, 1), QSize(37, 23), QSize(640, 480)}) {
        QImage noise(size, QImage::Format_ARGB32);
        QRandomGenerator random(size.width());
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                noise.setPixel(x, y, random.generate() | (x % 3 ? 0xff000000u : 0x40000000u));
        const QImage opaque = noise.convertToFormat(QImage::Format_RGB32);
        for (const auto &[type, source] : {std::pair{"png", opaque}, {"png", noise}, {"jpeg", opaque}, {"bmp", opaque}}) {
            const std::string what = std::string(type) + " " + std::to_string(size.width()) + " " + std::to_string(source.depth());
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            source.save(&buffer, type);
            const QImage pixels = argb(QImage::fromData(bytes));
            // The same picture once as pixels alone into slot 3, once as its bytes into slot 2.
            fill(3, QImage::fromData(bytes));
            const auto fitted = [&] { return f.Picture7->surface().copy(0, 0, 60, 40); }; // the preview's drawing
            const QImage preview = fitted();
            d.clipboard.setPictureFromOutside(bytes, QByteArray("image/") + type);
            f.Text1->setText(QStringLiteral("2"));
            f.Command17_Click();
            QCoreApplication::processEvents(); // the capture is done: its decoded pixels go
            const StoredPicture kept = f.Bildx[2]->stored();
            EXPECT_EQ(kept.bytes().constData(), bytes.constData()) << what << ": no copy of the bytes";
            EXPECT_FALSE(kept.hasPixels()) << what;
            EXPECT_TRUE(f.Picture2[2]->surface() == f.Picture2[3]->surface() && fitted() == preview) << what;
            EXPECT_TRUE(argb(f.Bildx[2]->Picture()) == pixels) << what;
            // The viewer decodes it once, whatever the refreshes; the save writes its pixels.
            f.Command22_Click();
            QThreadPool::globalInstance()->waitForDone(); // decoded on a worker
            QCoreApplication::processEvents();
            const qint64 decoded = d.forms->get<Bilderramen>().Image1->Picture().cacheKey();
            f.Command18_Click();
            EXPECT_EQ(d.forms->get<Bilderramen>().Image1->Picture().cacheKey(), decoded) << what;
            EXPECT_TRUE(argb(d.forms->get<Bilderramen>().Image1->Picture()) == pixels) << what;
            f.Command5_Click();
            EXPECT_TRUE(argb(QImage(QDir(bilder()).filePath(QStringLiteral("Bild-2.bmp")))) == pixels) << what;
            // The copy hands over the stored picture itself, and coming back it is the same one.
            f.Command19_Click();
            EXPECT_TRUE(d.clipboard.stored.sameAs(kept) && viewer().Picture1->stored().sameAs(kept)) << what;
            EXPECT_TRUE(fitted() == preview) << what;
        }
    }
}
