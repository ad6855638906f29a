// The image store on the real X11 desktop: another program (xclip) copies
// pictures, the program captures them through the real clipboard, and the
// window manager sees the always-on-top band and the opacity.

#include "realdesktop.h"
#include "x11.h"

#include "support/fakeservices.h"
#include "support/files.h"
#include "support/qtprint.h"
#include "support/testdesktop.h"

#include "app/program.h"
#include "capture/Zwischablage.h"
#include "forms/forms.h"
#include "imagestore/Formbilder.h"
#include "platform/clipboard/clipboardbridge.h"
#include "platform/services/qtservices.h"
#include "platform/windows/user32.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <QtEndian>

#include <gtest/gtest.h>

#include <memory>
#include <tuple>

namespace {

// Generous deadlines: decoding a 3840 x 2160 PNG alone takes a good part of a second.
constexpr int kCaptureDeadlineMs = 30000;

const QRgb kQuadrant[4] = {qRgb(220, 30, 30), qRgb(30, 200, 60), qRgb(40, 60, 230), qRgb(240, 220, 40)};

// Four solid quadrants for the fitted paintings, with a band of noise along
// the top edge so that only an exact copy compares equal.
QImage photo(int w, int h, quint32 seed)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.fillRect(0, 0, w / 2, h / 2, QColor(kQuadrant[0]));
    p.fillRect(w / 2, 0, w - w / 2, h / 2, QColor(kQuadrant[1]));
    p.fillRect(0, h / 2, w / 2, h - h / 2, QColor(kQuadrant[2]));
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, QColor(kQuadrant[3]));
    p.end();
    QRandomGenerator random(seed);
    for (int y = 0; y < std::min(h, 8); ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, random.generate() | 0xff000000u);
    return img;
}

// The colour of a fitted painting in each quadrant (away from the noise band).
void expectQuadrants(const QImage &drawn, QSize size, const char *what)
{
    ASSERT_GE(drawn.width(), size.width()) << what;
    ASSERT_GE(drawn.height(), size.height()) << what;
    const int w = size.width(), h = size.height();
    EXPECT_EQ(drawn.pixel(w / 4, h * 3 / 8), kQuadrant[0]) << what;
    EXPECT_EQ(drawn.pixel(w * 3 / 4, h * 3 / 8), kQuadrant[1]) << what;
    EXPECT_EQ(drawn.pixel(w / 4, h * 3 / 4), kQuadrant[2]) << what;
    EXPECT_EQ(drawn.pixel(w * 3 / 4, h * 3 / 4), kQuadrant[3]) << what;
}

// The window's state as the window manager keeps it, read from the native
// window the widget has now.
QString netWmState(const QWidget &w)
{
    const WId id = w.windowHandle() ? w.windowHandle()->winId() : 0;
    return QString::fromLatin1(
        x11::run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(id),
                                           QStringLiteral("_NET_WM_STATE"), QStringLiteral("_NET_WM_WINDOW_OPACITY")}));
}

// The program's own desktop services on the real display, wired like main().
class RealImageStore : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!x11::available())
            GTEST_SKIP() << "needs an X display (scripts/xdesktop)";
        // Start from a clipboard this process owns, so nothing of an earlier test is captured.
        QGuiApplication::clipboard()->setText(QStringLiteral("Anfang"));
        desktop = std::make_unique<RealDesktop>();
        ASSERT_TRUE(x11::waitUntil([&] { return desktop->clipboard.snapshots() > 0; }));
    }

    void TearDown() override
    {
        desktop.reset();
        // Taking the selection back ends the xclip that served it.
        if (x11::available())
            QGuiApplication::clipboard()->setText(QStringLiteral("Ende"));
    }

    Formbilder &store() { return desktop->forms->get<Formbilder>(); }
    bool slotNumberIs(int n) { return store().Text1->Text() == QString::number(n); }
    // Slot n takes `img` by hand, as "Einfügen" after a capture would.
    void fill(int n, const QImage &img)
    {
        desktop->forms->get<Zwischablage>().Picture1->setPicture(img);
        store().Text1->setText(QString::number(n));
        store().Command17_Click();
    }
    // Waits until the copy the program made is on the clipboard.
    bool offered() { return x11::waitUntil([&] { return !desktop->clipboard.offerPending(); }, 120000); }

    std::unique_ptr<RealDesktop> desktop;
};

} // namespace

TEST_F(RealImageStore, A4kPngFromAnotherProgramFillsTheCurrentSlotPixelForPixel)
{
    Formbilder &f = store();
    f.Check1->setValue(1);
    f.Show();
    const QImage original = photo(3840, 2160, 1);

    x11::setClipboardImage(original);
    ASSERT_TRUE(x11::waitUntil([&] { return slotNumberIs(1); }, kCaptureDeadlineMs));

    const QImage stored = f.Bildx[0]->Picture();
    ASSERT_EQ(stored.size(), QSize(3840, 2160));
    EXPECT_TRUE(stored.convertToFormat(QImage::Format_RGB32) == original);
    EXPECT_TRUE(f.Picture1->stored().sameAs(f.Bildx[0]->stored()));
    // The preview at its design size and the thumbnail both draw 69 x 45.
    expectQuadrants(f.Picture7->surface(), QSize(69, 45), "preview");
    expectQuadrants(f.Picture2[0]->surface(), QSize(69, 45), "thumbnail");
    EXPECT_TRUE(f.Option1[1]->isChecked());
    EXPECT_EQ(f.Caption(), QStringLiteral("Merkolo: Achtung [ Bild-1]  Speicher ist Aktiv !"));
    EXPECT_TRUE(desktop->messages.calls.empty());

    // The next copy goes into slot 1; the preview, now taller, is fitted by its width.
    const QImage second = photo(3840, 2160, 2);
    x11::setClipboardImage(second);
    ASSERT_TRUE(x11::waitUntil([&] { return slotNumberIs(2); }, kCaptureDeadlineMs));
    EXPECT_TRUE(f.Bildx[1]->Picture().convertToFormat(QImage::Format_RGB32) == second);
    EXPECT_TRUE(f.Bildx[0]->Picture().convertToFormat(QImage::Format_RGB32) == original);
    expectQuadrants(f.Picture7->surface(), QSize(77, 50), "preview");
}

TEST_F(RealImageStore, AnyImageTypeIsABitmapAndUndecodableDataIsNothing)
{
    Formbilder &f = store();
    f.Check1->setValue(1);

    const QImage small = photo(64, 48, 3);
    x11::setClipboardData(encoded(small, "BMP"), QStringLiteral("image/bmp"));
    ASSERT_TRUE(x11::waitUntil([&] { return slotNumberIs(1); }, kCaptureDeadlineMs));
    EXPECT_TRUE(f.Bildx[0]->Picture().convertToFormat(QImage::Format_RGB32) == small);

    // Data that claims to be a PNG but does not decode: the change arrives, nothing is stored.
    const int before = desktop->bridge->delivered();
    QByteArray junk = encoded(small, "PNG").left(40);
    junk.append(QByteArray(5000, '\x7f'));
    x11::setClipboardData(junk, QStringLiteral("image/png"));
    ASSERT_TRUE(x11::waitUntil([&] { return desktop->bridge->delivered() > before; }, kCaptureDeadlineMs));
    // The next copy is the next change: no late second notice of the same one came in between.
    x11::setClipboardText(QStringLiteral("danach"));
    ASSERT_TRUE(x11::waitUntil([&] { return desktop->bridge->delivered() > before + 1; }, kCaptureDeadlineMs));
    EXPECT_EQ(desktop->bridge->delivered(), before + 2);
    EXPECT_TRUE(slotNumberIs(1));
    EXPECT_FALSE(f.Bildx[1]->hasPicture());
    EXPECT_TRUE(f.Bildx[0]->hasPicture());
    EXPECT_TRUE(f.Picture1->stored().sameAs(f.Bildx[0]->stored()));
}

TEST_F(RealImageStore, TheWindowManagerSeesVordergrundAndTransparent)
{
    Formbilder &f = store();
    f.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    ASSERT_TRUE(x11::waitUntil([&] { return netWmState(f).contains("_NET_WM_STATE_ABOVE"); }));
    const int left = f.Left(), top = f.Top();
    // Managed again (the manager drops the states of a window while it is withdrawn) and in the band or not.
    const auto shown = [&](bool above) {
        const QString wm = QString::fromLatin1(x11::run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(f.windowHandle()->winId()),
                                                                                  QStringLiteral("WM_STATE")}));
        return wm.contains(QStringLiteral("Normal")) && netWmState(f).contains(QStringLiteral("_NET_WM_STATE_ABOVE")) == above;
    };
    f.Check2->setValue(0); // as a click: hidden, moved, shown, and the paint handler leaves the band
    ASSERT_TRUE(x11::waitUntil([&] { return shown(false); }));
    EXPECT_TRUE(f.isVisible());
    f.Check2->setValue(1);
    ASSERT_TRUE(x11::waitUntil([&] { return shown(true); }));
    EXPECT_TRUE(x11::waitUntil([&] { return f.Left() == left && f.Top() == top; })) << f.Left() << ", " << f.Top();

    // Opacity as the window manager reads it: 0xffffffff (or no value) is opaque.
    auto opacity = [&] {
        static const QRegularExpression value(QStringLiteral("_NET_WM_WINDOW_OPACITY\\(CARDINAL\\) = (\\d+)"));
        const QRegularExpressionMatch m = value.match(netWmState(f));
        return m.hasMatch() ? m.captured(1).toULongLong() : 0xffffffffULL;
    };
    f.Check3->setValue(1);
    EXPECT_TRUE(x11::waitUntil([&] { return opacity() == 0x80808080ULL; })) << opacity(); // 128 of 255
    f.Check3->setValue(0);
    EXPECT_TRUE(x11::waitUntil([&] { return opacity() == 0xffffffffULL; })) << opacity();
}

TEST_F(RealImageStore, TheWindowShowsItsCapturesAsThumbnails)
{
    const QString dir = qEnvironmentVariable("MERKOLO_SCREENSHOT_DIR");
    Formbilder &f = store();
    f.Check1->setValue(1);
    f.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    // Fresh: the placeholder in the preview, the sample pictures in thumbnails 0..2.
    const QImage fresh = f.grab().toImage();
    EXPECT_EQ(fresh.pixel(f.Picture2[0]->geometry().topLeft() + QPoint(10, 20)),
              f.Picture2[0]->Picture().pixel(8, 18));
    if (!dir.isEmpty())
        fresh.save(dir + QStringLiteral("/bildspeicher-neu.png"));
    for (int i = 0; i < 3; ++i) {
        x11::setClipboardImage(photo(1600 + 400 * i, 900 + 300 * i, 10 + i));
        ASSERT_TRUE(x11::waitUntil([&] { return slotNumberIs(i + 1); }, kCaptureDeadlineMs));
    }
    const QImage shot = f.grab().toImage();
    // Thumbnails 0..2 show the captures at their places; 3 still shows its empty background.
    for (int n = 0; n < 3; ++n) {
        const QRect thumb = f.Picture2[n]->geometry();
        EXPECT_EQ(shot.pixel(thumb.left() + 2 + 69 / 4, thumb.top() + 2 + 45 * 3 / 4), kQuadrant[2]) << n;
        EXPECT_EQ(shot.pixel(thumb.left() + 2 + 69 * 3 / 4, thumb.top() + 2 + 45 * 3 / 4), kQuadrant[3]) << n;
    }
    const QRect empty = f.Picture2[3]->geometry();
    EXPECT_EQ(shot.pixel(empty.center()), f.palette().color(QPalette::Button).rgb());

    if (!dir.isEmpty()) {
        shot.save(dir + QStringLiteral("/bildspeicher.png"));
        // With the window manager's frame, as the user sees it.
        const QRect r = f.frameGeometry().adjusted(-6, -6, 6, 6);
        x11::run(QStringLiteral("import"),
                 {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                  QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y()),
                  dir + QStringLiteral("/bildspeicher-fenster.png")});
    }
}

namespace {

// Width and height from a PNG's header, without decoding its pixels.
QSize pngSize(const QByteArray &png)
{
    if (png.size() < 24 || !png.startsWith("\x89PNG"))
        return {};
    return QSize(int(qFromBigEndian<quint32>(png.constData() + 16)), int(qFromBigEndian<quint32>(png.constData() + 20)));
}

// What the user sees of a widget with the window manager's frame, saved when `file` is not empty.
void screenshot(const QWidget &w, const QString &file, int margin = 6)
{
    const QRect r = w.frameGeometry().adjusted(-margin, -margin, margin, margin);
    if (!file.isEmpty())
        x11::run(QStringLiteral("import"),
                 {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                  QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y()), file});
}

} // namespace

TEST_F(RealImageStore, KopierenAndUhrHandTheSlotToOtherProgramsPixelForPixel)
{
    Formbilder &f = store();
    f.Check1->setValue(1);
    f.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    const QImage original = photo(1920, 1080, 4);
    x11::setClipboardImage(original);
    ASSERT_TRUE(x11::waitUntil([&] { return slotNumberIs(1); }, kCaptureDeadlineMs));
    const StoredPicture captured = f.Bildx[0]->stored();

    // The copy is a clipboard change of its own: captured again into its slot, the number advances.
    f.Text1->setText(QStringLiteral("0"));
    const int before = desktop->clipboard.snapshots();
    QTest::mouseClick(f.Command19, Qt::LeftButton);
    ASSERT_TRUE(x11::waitUntil([&] { return desktop->clipboard.snapshots() > before && slotNumberIs(1); },
                               kCaptureDeadlineMs));
    // Its own copy: the picture it holds, not a second one.
    EXPECT_TRUE(f.Bildx[0]->stored().sameAs(captured));
    EXPECT_TRUE(f.Bildx[0]->Picture().convertToFormat(QImage::Format_RGB32) == original);
    EXPECT_FALSE(f.Bildx[1]->hasPicture());

    // Another program reads it as PNG or BMP; other image types are refused at once.
    for (const char *type : {"image/png", "image/bmp"})
        EXPECT_TRUE(QImage::fromData(x11::readClipboard(QString::fromLatin1(type))).convertToFormat(QImage::Format_RGB32)
                    == original)
            << type;
    for (const char *other : {"image/jpeg", "application/x-qt-image"})
        EXPECT_TRUE(x11::readClipboard(QString::fromLatin1(other)).isEmpty()) << other;
    // An empty slot leaves the clipboard as it was: no change, nothing captured.
    const int after = desktop->clipboard.snapshots();
    f.Text1->setText(QStringLiteral("6"));
    f.Command19_Click();
    EXPECT_EQ(pngSize(x11::readClipboard(QStringLiteral("image/png"))), QSize(1920, 1080));
    // The next copy is the next change.
    x11::setClipboardText(QStringLiteral("danach"));
    ASSERT_TRUE(x11::waitUntil([&] { return desktop->clipboard.snapshots() > after; }, kCaptureDeadlineMs));
    EXPECT_EQ(desktop->clipboard.snapshots(), after + 1);
    EXPECT_EQ(desktop->clipboard.GetText(), QStringLiteral("danach"));

    // "-Uhr": the name of this second, a file that another program reads as the same picture.
    f.Text1->setText(QStringLiteral("0"));
    QTest::mouseMove(f.Command14, QPoint(3, 3)); // two points: the pointer may rest on the button already
    QTest::mouseMove(f.Command14);
    ASSERT_TRUE(x11::waitUntil([&] { return plainToolTip(f.Command14).startsWith(QStringLiteral("Bild-0-")); }));
    const QDateTime start = QDateTime::currentDateTime();
    QTest::mouseClick(f.Command14, Qt::LeftButton);
    ASSERT_EQ(desktop->messages.calls.size(), 1u);
    static const QRegularExpression confirmed(QStringLiteral(
        "^OK Bild wurde gespeichert: Im Ordner \\[bilder/\\],  Name: (Bild-0-([-0-9]{19})\\.bmp) !$"));
    const QRegularExpressionMatch m = confirmed.match(desktop->messages.calls[0].text);
    ASSERT_TRUE(m.hasMatch()) << desktop->messages.calls[0].text.toStdString();
    EXPECT_LE(std::abs(QDateTime::fromString(m.captured(2), QStringLiteral("dd-MM-yyyy-HH-mm-ss")).secsTo(start)), 2);
    const QString path = QDir(desktop->roots.current).filePath(QStringLiteral("bilder/") + m.captured(1));
    // As plain pixels: a PNG from ImageMagick would carry a gamma.
    const QByteArray converted = x11::run(QStringLiteral("convert"), {path, QStringLiteral("ppm:-")});
    EXPECT_TRUE(QImage::fromData(converted, "PPM").convertToFormat(QImage::Format_RGB32) == original);
}

TEST_F(RealImageStore, LargeSlotsAreOfferedAndReadByOtherPrograms)
{
    Formbilder &f = store();
    QImage tall(1, 20000, QImage::Format_RGB32);
    for (int y = 0; y < tall.height(); ++y)
        tall.setPixel(0, y, qRgb(y % 256, (y / 256) % 256, 77));
    QImage huge(10000, 10000, QImage::Format_RGB32); // 400 MB of pixels
    huge.fill(qRgb(30, 60, 90));
    for (const QImage &img : {tall, huge}) {
        fill(2, img);
        f.Command19_Click();
        ASSERT_TRUE(offered());
        const QByteArray png = x11::run(QStringLiteral("xclip"),
                                        {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                                         QStringLiteral("image/png"), QStringLiteral("-o")},
                                        {}, 120000);
        EXPECT_EQ(pngSize(png), img.size());
        if (img.height() == 20000) {
            EXPECT_TRUE(QImage::fromData(png, "PNG").convertToFormat(QImage::Format_RGB32) == tall);
        }
    }
    f.Command5_Click();
    EXPECT_EQ(QFileInfo(QDir(desktop->roots.current).filePath(QStringLiteral("bilder/Bild-2.bmp"))).size(),
              54 + 30000LL * 10000);
    EXPECT_EQ(desktop->messages.calls.size(), 1u);
}

TEST_F(RealImageStore, AfterXAndLoeschenAndTheSaveMessagesAsTheUserSeesThem)
{
    const QString dir = qEnvironmentVariable("MERKOLO_SCREENSHOT_DIR");
    const auto shot = [&](const char *name) {
        return dir.isEmpty() ? QString() : dir + QLatin1Char('/') + QLatin1String(name);
    };
    Formbilder &f = store();
    f.Check1->setValue(1);
    f.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    for (int i = 0; i < 3; ++i) {
        x11::setClipboardImage(photo(1600, 900, 20 + i));
        ASSERT_TRUE(x11::waitUntil([&] { return slotNumberIs(i + 1); }, kCaptureDeadlineMs));
    }
    const QRgb back = f.palette().color(QPalette::Button).rgb();
    const auto thumbShows = [&](const QImage &seen, int n) {
        const QRect t = f.Picture2[n]->geometry();
        return seen.pixel(t.left() + 2 + 69 / 4, t.top() + 2 + 45 * 3 / 4) == kQuadrant[2];
    };

    // "[x]" on slot 1: its thumbnail shows only its background, the others keep theirs.
    f.Text1->setText(QStringLiteral("1"));
    QTest::mouseClick(f.Command27, Qt::LeftButton);
    QImage seen;
    EXPECT_TRUE(x11::waitUntil([&] {
        seen = f.grab().toImage();
        return seen.pixel(f.Picture2[1]->geometry().center()) == back;
    }));
    EXPECT_TRUE(thumbShows(seen, 0) && thumbShows(seen, 2));
    screenshot(f, shot("bildspeicher-x.png"));

    // The save messages in the program's own message box. Message boxes have no
    // owner yet and would open beneath the always-on-top window.
    f.Check2->setValue(0);
    QStringList boxes;
    const char *const names[] = {"bildspeicher-gespeichert.png", "bildspeicher-gespeichert-uhr.png",
                                 "bildspeicher-kein-bild.png", "bildspeicher-speicherfehler.png"};
    desktop->messages.whileOpen = [&](const QString &text) {
        whenMessageBoxShows([&](QMessageBox *box) {
            screenshot(*box, boxes.size() < 4 ? shot(names[boxes.size()]) : QString(), 2);
            boxes << box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        QtMessageBox().show(text, vbOKOnly, QString());
    };
    const QString folder = QDir(desktop->roots.current).filePath(QStringLiteral("bilder"));
    const std::pair<const char *, QPushButton *> saves[] = {
        {"0", f.Command5}, {"0", f.Command14}, {"1", f.Command5}, {"2", f.Command5}};
    for (const auto &[slot, button] : saves) {
        if (*slot == '2') { // a file where the folder should be
            QDir(folder).removeRecursively();
            writeFile(folder, "kein Ordner");
        }
        f.Text1->setText(QString::fromLatin1(slot));
        QTest::mouseClick(button, Qt::LeftButton);
    }
    desktop->messages.whileOpen = nullptr;
    f.Check2->setValue(1);
    ASSERT_EQ(boxes.size(), 4);
    EXPECT_EQ(boxes[0], QStringLiteral("OK Bild wurde gespeichert: Im Ordner [bilder/],  Name: Bild-0.bmp"));
    EXPECT_TRUE(boxes[1].endsWith(QStringLiteral(".bmp !")));
    EXPECT_EQ(boxes[2], QStringLiteral("Kein Bild geladen, Datei wird nicht gespeichert"));
    EXPECT_TRUE(boxes[3].startsWith(QStringLiteral("Fehler: Bild wurde nicht gespeichert: ") + folder));

    // "löschen": every thumbnail empty, the placeholder back in the preview, the number kept.
    QTest::mouseClick(f.Command15, Qt::LeftButton);
    EXPECT_TRUE(x11::waitUntil([&] {
        seen = f.grab().toImage();
        return seen.pixel(f.Picture2[0]->geometry().center()) == back;
    }));
    for (int n = 0; n < Formbilder::kSlots; ++n)
        EXPECT_EQ(seen.pixel(f.Picture2[n]->geometry().center()), back) << n;
    EXPECT_EQ(seen.pixel(f.Picture7->geometry().topLeft() + QPoint(2 + 35, 2 + 10)),
              f.Picture3->Picture().pixel(35, 10));
    EXPECT_EQ(f.Text1->Text(), QStringLiteral("2"));
    screenshot(f, shot("bildspeicher-geloescht.png"));
}

// Pictures up to 8192 x 8192 pixels are captured, whatever their depth; a
// bigger one is refused with a notice from the tray icon that names its size.
TEST_F(RealImageStore, PicturesUpToTheLimitAreCapturedABiggerOneIsRefusedAloud)
{
    Zwischablage &viewer = desktop->forms->get<Zwischablage>();
    auto offer = [&](const QImage &img) {
        const int before = desktop->bridge->delivered();
        x11::setClipboardData(encoded(img, "PNG"), QStringLiteral("image/png"));
        return x11::waitUntil([&] { return desktop->bridge->delivered() > before; }, kCaptureDeadlineMs);
    };

    // 196 MB as 32-bit pixels.
    QImage big(7000, 7000, QImage::Format_RGB32);
    big.fill(qRgb(20, 140, 90));
    big.setPixel(6999, 6999, qRgb(250, 0, 0));
    ASSERT_TRUE(offer(big));
    EXPECT_EQ(viewer.Picture1->Picture().size(), QSize(7000, 7000));
    EXPECT_EQ(viewer.Picture1->Picture().pixel(6999, 6999), qRgb(250, 0, 0));
    big = QImage();

    // 16 bits a channel decode to 64-bit pixels first: 200 MB, kept at 32 bits.
    QImage deep(5000, 5000, QImage::Format_RGBA64);
    deep.fill(QColor(10, 20, 30));
    ASSERT_TRUE(offer(deep));
    EXPECT_EQ(viewer.Picture1->Picture().size(), QSize(5000, 5000));
    EXPECT_LE(viewer.Picture1->Picture().depth(), 32);
    deep = QImage();
    EXPECT_TRUE(desktop->tray.notices.isEmpty());

    // Beyond the limit: nothing is captured, and the user is told.
    QImage huge(9000, 9000, QImage::Format_Mono);
    huge.fill(1);
    ASSERT_TRUE(offer(huge));
    EXPECT_EQ(viewer.Picture1->Picture().size(), QSize(5000, 5000));
    ASSERT_EQ(desktop->tray.notices.size(), 1);
    EXPECT_TRUE(desktop->tray.notices[0].contains(QStringLiteral("9000 × 9000 Pixel"))) << desktop->tray.notices[0].toStdString();
}

TEST_F(RealImageStore, CopiesOfferPngBmpAndTheirOwnTypeAtOnceWithTheSourcePixelsAndComeBackAsThemselves)
{
    Formbilder &f = store();
    for (const QSize size : {QSize(5, 3), QSize(1920, 1080)}) {
        const QImage opaque = photo(size.width(), size.height(), 5);
        QImage clear = opaque.convertToFormat(QImage::Format_ARGB32);
        clear.setPixel(0, size.height() - 1, qRgba(10, 20, 30, 100));
        for (const auto &[type, source] : {std::pair{"png", opaque}, {"png", clear}, {"jpeg", opaque}, {"bmp", opaque}}) {
            const std::string what = std::string(type) + " " + std::to_string(size.width()) + " " + std::to_string(source.depth());
            const QByteArray bytes = encoded(source, type);
            const QImage pixels = QImage::fromData(bytes).convertToFormat(QImage::Format_ARGB32);
            int seen = desktop->clipboard.snapshots();
            x11::setClipboardData(bytes, QStringLiteral("image/") + QLatin1String(type));
            ASSERT_TRUE(x11::waitUntil([&] { return desktop->clipboard.snapshots() > seen; }, kCaptureDeadlineMs)) << what;
            f.Text1->setText(QStringLiteral("4"));
            f.Command17_Click();
            const StoredPicture kept = f.Bildx[4]->stored();
            seen = desktop->clipboard.snapshots();
            f.Command19_Click();
            EXPECT_TRUE(QGuiApplication::clipboard()->ownsClipboard()) << what << ": owned at once";
            for (const QByteArray &offered : {QByteArray("png"), QByteArray("bmp"), QByteArray(type)}) {
                const QByteArray read = x11::readClipboard(QString::fromLatin1("image/" + offered));
                EXPECT_TRUE(QImage::fromData(read).convertToFormat(QImage::Format_ARGB32) == pixels) << what << " as " << offered.constData();
                EXPECT_TRUE(offered != "bmp" || read.at(28) == (source.hasAlphaChannel() ? 32 : 24)) << what << ": bits";
            }
            ASSERT_TRUE(x11::waitUntil([&] { return desktop->clipboard.snapshots() > seen; }, kCaptureDeadlineMs)) << what;
            EXPECT_TRUE(desktop->clipboard.GetPicture().sameAs(kept)) << what << ": its own copy, not a second one";
        }
    }
}

TEST_F(RealImageStore, AReaderThatStopsHoldsNeitherTheWindowNorTheNextCopy)
{
    Formbilder &f = store();
    for (const auto &[n, img] : {std::pair{5, photo(3000, 2000, 11)}, std::pair{6, photo(300, 200, 12)}}) {
        const int seen = desktop->clipboard.snapshots();
        x11::setClipboardImage(img);
        ASSERT_TRUE(x11::waitUntil([&] { return desktop->clipboard.snapshots() > seen; }, kCaptureDeadlineMs));
        f.Text1->setText(QString::number(n));
        f.Command17_Click();
    }
    f.Text1->setText(QStringLiteral("5"));
    f.Command19_Click();
    QProcess reader;
    reader.start(QStringLiteral(STALLED_READER), {QStringLiteral("image/bmp")});
    ASSERT_TRUE(x11::waitUntil([&] { return reader.canReadLine(); }, kCaptureDeadlineMs));
    EXPECT_EQ(reader.readLine(), QByteArray("stalled\n")); // an 18 MB answer comes in chunks

    // The window goes on, and the next copy is served whole.
    f.Text1->setText(QStringLiteral("6"));
    bool turned = false;
    QTimer::singleShot(0, [&] { turned = true; });
    EXPECT_TRUE(x11::waitUntil([&] { return turned; }));
    f.Command19_Click();
    const QImage next = QImage::fromData(x11::readClipboard(QStringLiteral("image/bmp")));
    EXPECT_TRUE(next.convertToFormat(QImage::Format_RGB32) == photo(300, 200, 12));
    EXPECT_TRUE(QImage::fromData(x11::readClipboard(QStringLiteral("image/png"))).convertToFormat(QImage::Format_RGB32)
                == photo(300, 200, 12));
    reader.kill();
    reader.waitForFinished();
    // The toolkit lets go of a transfer whose reader went silent after 5 s.
    x11::waitUntil([] { return false; }, 5500);
}
