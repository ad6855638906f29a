// Saved image files (the BMP layout read back, the file names) and the
// picture offered to other programs on the clipboard.

#include "support/qtprint.h"

#include "imagestore/bmpfile.h"
#include "imagestore/imagefilename.h"
#include "winutil/imageoffer.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

QImage noise(int w, int h, QImage::Format format, quint32 seed, bool opaque = true)
{
    QImage img(w, h, QImage::Format_ARGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, random.generate() | (opaque ? 0xff000000u : 0u));
    return img.convertToFormat(format);
}

QByteArray bmpOf(const QImage &img)
{
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    EXPECT_TRUE(bmpfile::write(img, buf));
    return bytes;
}

quint32 field(const QByteArray &bytes, int at, int size)
{
    return size == 2 ? qFromLittleEndian<quint16>(bytes.constData() + at)
                     : qFromLittleEndian<quint32>(bytes.constData() + at);
}

// The first pixel where two pictures differ, as text; empty when they are equal.
std::string firstDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return "sizes differ";
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return QStringLiteral("(%1,%2): %3 != %4")
                    .arg(x).arg(y).arg(a.pixel(x, y), 8, 16).arg(b.pixel(x, y), 8, 16).toStdString();
    return {};
}

} // namespace

TEST(BmpFile, EveryPictureFormatReadsBackPixelForPixel)
{
    QImage mono(9, 2, QImage::Format_Mono);
    mono.setColorTable({qRgb(250, 240, 230), qRgb(5, 10, 20)});
    for (int x = 0; x < 9; ++x) {
        mono.setPixel(x, 0, x % 2);
        mono.setPixel(x, 1, x % 3 == 0);
    }
    QImage hidden = noise(5, 3, QImage::Format_ARGB32, 1);
    hidden.setPixel(0, 0, qRgba(10, 20, 30, 0)); // a colour under full transparency
    hidden.setPixel(1, 0, qRgba(200, 100, 50, 128));
    QImage palette = noise(7, 4, QImage::Format_RGB32, 2).convertToFormat(QImage::Format_Indexed8);
    QImage seeThroughPalette = palette;
    seeThroughPalette.setColor(0, qRgba(1, 2, 3, 0));

    const struct {
        const char *what;
        QImage image;
        int bits;
    } rows[] = {
        {"RGB32, rows padded", noise(5, 3, QImage::Format_RGB32, 1), 24},
        {"ARGB32, all opaque", noise(6, 2, QImage::Format_ARGB32, 3), 24},
        {"premultiplied, all opaque", noise(4, 4, QImage::Format_ARGB32_Premultiplied, 4), 24},
        {"RGB888", noise(3, 5, QImage::Format_RGB888, 5), 24},
        {"RGB16", noise(3, 5, QImage::Format_RGB16, 5), 24},
        {"RGBA64, all opaque", noise(3, 2, QImage::Format_RGBA64, 5), 24},
        {"palette", palette, 24},
        {"mono", mono, 24},
        {"grey", noise(7, 1, QImage::Format_Grayscale8, 6), 24},
        {"1 x 20000", noise(1, 20000, QImage::Format_RGB32, 7), 24},
        {"transparent and half transparent", hidden, 32},
        {"premultiplied, see-through", noise(6, 3, QImage::Format_ARGB32_Premultiplied, 8, false), 32},
        {"palette with a transparent colour", seeThroughPalette, 32},
    };
    for (const auto &r : rows) {
        const QByteArray bytes = bmpOf(r.image);
        EXPECT_EQ(bytes.left(2), QByteArray("BM")) << r.what;
        EXPECT_EQ(field(bytes, 2, 4), quint32(bytes.size())) << r.what;
        EXPECT_EQ(bytes.size(), bmpfile::fileSize(r.image, bmpfile::layoutFor(r.image))) << r.what;
        EXPECT_EQ(field(bytes, 28, 2), quint32(r.bits)) << r.what;
        const QImage back = QImage::fromData(bytes, "BMP");
        ASSERT_EQ(back.size(), r.image.size()) << r.what;
        // Straight alpha: even a fully transparent pixel keeps its colour.
        EXPECT_EQ(firstDifference(back.convertToFormat(QImage::Format_ARGB32),
                                  r.image.convertToFormat(QImage::Format_ARGB32)), "")
            << r.what;
    }
}

TEST(BmpFile, WritesWholeOrReportsFailure)
{
    EXPECT_EQ(bmpfile::fileSize(QImage(), bmpfile::Layout::Rgb24), 0);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    EXPECT_FALSE(bmpfile::write(QImage(), buf));

    QBuffer readOnly(&bytes);
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_FALSE(bmpfile::write(noise(4, 4, QImage::Format_RGB32, 1), readOnly));

    // The file header records the size in 32 bits. The picture's pixels are never read here.
    static uchar nothing[4];
    const QImage large(nothing, 33000, 33000, 33000 * 4, QImage::Format_ARGB32);
    EXPECT_EQ(bmpfile::fileSize(large, bmpfile::Layout::Rgb24), 54 + 99000LL * 33000);
    EXPECT_EQ(bmpfile::fileSize(large, bmpfile::Layout::Argb32), 0);
}

TEST(ImageFileName, SlotTextUnchangedButOnlyAsAPlainFileName)
{
    const QString stamp = QStringLiteral("-06-12-2026-14-05-09");
    const struct {
        const char *slot;
        QString stamp;
        const char *name; // nullptr: refused
    } rows[] = {
        {"3", {}, "Bild-3.bmp"},
        {"03", {}, "Bild-03.bmp"},
        {"3", stamp, "Bild-3-06-12-2026-14-05-09.bmp"},
        {"0", stamp, "Bild-0-06-12-2026-14-05-09.bmp"},
        {"2.5", {}, "Bild-2.5.bmp"},
        {"0,4", {}, "Bild-0,4.bmp"},
        {"1e0", {}, "Bild-1e0.bmp"},
        {" 3", {}, "Bild- 3.bmp"},
        {"9.5", {}, nullptr}, // slot 10
        {"-1", {}, nullptr},
        {"10", {}, nullptr},
        {"abc", {}, nullptr},
        {"../x", {}, nullptr},
        {"", {}, nullptr},
        {"3/", {}, nullptr},
        {"3\n", {}, nullptr},
        {"\t3", {}, nullptr},
        {"\u00a03", {}, nullptr},
        {"3", QStringLiteral("/../x"), nullptr},
        {"3", QStringLiteral("Datum"), nullptr},
    };
    for (const auto &r : rows) {
        const auto name = imagefilename::of(QString::fromUtf8(r.slot), r.stamp);
        if (r.name)
            EXPECT_EQ(name, std::optional<QString>(QString::fromUtf8(r.name))) << r.slot;
        else
            EXPECT_EQ(name, std::nullopt) << r.slot;
    }
}

TEST(ImageOffer, EncodedAwayFromTheWindowsAndOnlyTheNewestWriteLands)
{
    QClipboard *board = QGuiApplication::clipboard();
    board->setText(QStringLiteral("vorher"));
    ImageOffer offer;
    QSignalSpy offered(&offer, &ImageOffer::offered);
    const QImage first = noise(300, 200, QImage::Format_RGB32, 1);
    const QImage second = noise(300, 200, QImage::Format_ARGB32, 2, false);

    offer.offer(first);
    EXPECT_TRUE(offer.pending());
    EXPECT_EQ(board->text(), QStringLiteral("vorher"));
    offer.offer(second);
    ASSERT_TRUE(offered.wait(10000));
    EXPECT_FALSE(offer.pending());
    const QMimeData *data = board->mimeData();
    ASSERT_NE(data, nullptr);
    // image/png alone: no other image type that would be encoded on request.
    EXPECT_EQ(data->formats(), QStringList{QStringLiteral("image/png")});
    EXPECT_FALSE(data->hasImage());
    EXPECT_EQ(firstDifference(QImage::fromData(data->data(QStringLiteral("image/png")), "PNG"), second), "");
    EXPECT_EQ(firstDifference(board->image().convertToFormat(QImage::Format_ARGB32), second), "");

    // Dropped by our own newer write and by another program taking the clipboard;
    // the one-thread pool finishes the dropped offers before the next one lands.
    offer.offer(first);
    offer.cancel();
    offer.offer(first);
    board->setText(QStringLiteral("anderes Programm"));
    EXPECT_FALSE(offer.pending());
    const QImage third = noise(20, 10, QImage::Format_RGB32, 3);
    offer.offer(third);
    ASSERT_TRUE(offered.wait(10000));
    EXPECT_EQ(offered.count(), 2);
    EXPECT_EQ(firstDifference(board->image().convertToFormat(QImage::Format_RGB32), third), "");

    std::atomic<bool> stop{true};
    EXPECT_TRUE(ImageOffer::encode(first, stop).isEmpty());
    stop = false;
    EXPECT_TRUE(ImageOffer::encode(QImage(), stop).isEmpty());
}
