// Saved image files (the BMP layout read back, the file names) and the
// picture offered to other programs on the clipboard.

#include "support/files.h"
#include "support/qtprint.h"

#include "imagestore/bmpfile.h"
#include "imagestore/imagefilename.h"
#include "platform/clipboard/imageoffer.h"

#include <QBuffer>
#include <QProcess>
#include <QTemporaryDir>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

QImage noise(int w, int h, QImage::Format format, quint32 seed, quint32 alpha = 0xff000000u)
{
    QImage img(w, h, QImage::Format_ARGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, random.generate() | alpha);
    return img.convertToFormat(format);
}

// Pixels as straight ARGB, without the colour space that QImage::operator== also compares.
std::vector<QRgb> pixels(const QImage &img)
{
    const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
    std::vector<QRgb> out;
    for (int y = 0; y < argb.height(); ++y)
        out.insert(out.end(), reinterpret_cast<const QRgb *>(argb.constScanLine(y)),
                   reinterpret_cast<const QRgb *>(argb.constScanLine(y)) + argb.width());
    return out;
}

} // namespace

TEST(BmpFile, EveryPictureFormatReadsBackPixelForPixel)
{
    QImage mono(9, 2, QImage::Format_Mono);
    mono.setColorTable({qRgb(250, 240, 230), qRgb(5, 10, 20)});
    for (int x = 0; x < 9; ++x)
        mono.setPixel(x, x % 2, 1);
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
        {"premultiplied, all opaque", noise(4, 4, QImage::Format_ARGB32_Premultiplied, 4), 24},
        {"RGB16", noise(3, 5, QImage::Format_RGB16, 5), 24},
        {"palette", palette, 24},
        {"mono", mono, 24},
        {"1 x 20000", noise(1, 20000, QImage::Format_RGB32, 7), 24},
        {"transparent and half transparent", hidden, 32},
        {"premultiplied, see-through", noise(6, 3, QImage::Format_ARGB32_Premultiplied, 8, 0x80000000u), 32},
        {"palette with a transparent colour", seeThroughPalette, 32},
    };
    for (const auto &r : rows) {
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        ASSERT_TRUE(bmpfile::write(r.image, buf)) << r.what;
        EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData() + 2), quint32(bytes.size())) << r.what;
        EXPECT_EQ(bytes.size(), bmpfile::fileSize(r.image, bmpfile::layoutFor(r.image))) << r.what;
        EXPECT_EQ(qFromLittleEndian<quint16>(bytes.constData() + 28), r.bits) << r.what;
        const QImage back = QImage::fromData(bytes, "BMP");
        EXPECT_EQ(back.size(), r.image.size()) << r.what;
        EXPECT_TRUE(pixels(back) == pixels(r.image)) << r.what; // straight alpha keeps hidden colours
    }

    // What cannot be written whole is refused: no picture, a device that takes nothing,
    // a size the 32-bit file header cannot record (the pixels are never read here).
    QByteArray bytes;
    QBuffer readOnly(&bytes);
    readOnly.open(QIODevice::ReadOnly);
    EXPECT_FALSE(bmpfile::write(QImage(), readOnly));
    EXPECT_FALSE(bmpfile::write(palette, readOnly));
    static uchar nothing[4];
    const QImage large(nothing, 33000, 33000, 33000 * 4, QImage::Format_ARGB32);
    EXPECT_EQ(bmpfile::fileSize(large, bmpfile::Layout::Rgb24), 54 + 99000LL * 33000);
    EXPECT_EQ(bmpfile::fileSize(large, bmpfile::Layout::Argb32), 0);
}

// The header fields as the format defines them, and the files read by
// another program (ImageMagick) to the same pixels: Qt's own reader forgives
// a wrong pixel-data offset. The resolution is the picture's own in pixels
// a metre, across then down; one without a usable value says 96 dpi (3780).
TEST(BmpFile, TheHeadersFollowTheFormatAndAnotherReaderSeesTheSamePixels)
{
    QTemporaryDir dir;
    auto at = [](QImage image, int across, int down) {
        image.setDotsPerMeterX(across);
        image.setDotsPerMeterY(down);
        return image;
    };
    const struct {
        QImage image;
        quint32 infoBytes;
        std::string resolution; // biXPelsPerMeter, biYPelsPerMeter
    } rows[] = {
        {at(noise(5, 3, QImage::Format_RGB32, 1), 11811, 2835), 40u, "232e0000130b0000"},
        {at(noise(6, 3, QImage::Format_ARGB32, 9, 0x80000000u), -1, -1), 124u, "c40e0000c40e0000"},
    };
    for (const auto &[image, infoBytes, resolution] : rows) {
        QByteArray b;
        QBuffer buf(&b);
        buf.open(QIODevice::WriteOnly);
        ASSERT_TRUE(bmpfile::write(image, buf));
        auto u32 = [&b](int at) { return qFromLittleEndian<quint32>(b.constData() + at); };
        // Pixel offset, header size, compression (3: bit masks), the pixels' size, then the masks and sRGB.
        EXPECT_EQ((QList<quint32>{u32(10), u32(14), u32(30), u32(34)}),
                  (QList<quint32>{14 + infoBytes, infoBytes, infoBytes / 124 * 3, quint32(b.size()) - 14 - infoBytes}));
        EXPECT_EQ(b.mid(38, 8).toHex().toStdString(), resolution);
        if (infoBytes == 124) {
            EXPECT_EQ(b.mid(54, 20).toHex(), "0000ff0000ff0000ff000000000000ff42475273");
        }
        writeFile(dir.filePath(QStringLiteral("b.bmp")), b);
        QProcess convert;
        convert.start(QStringLiteral("convert"), {dir.filePath(QStringLiteral("b.bmp")), QStringLiteral("-depth"),
                                                  QStringLiteral("8"), QStringLiteral("rgba:-")});
        ASSERT_TRUE(convert.waitForFinished(20000)) << "ImageMagick reads the files back";
        const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
        EXPECT_EQ(convert.readAllStandardOutput(),
                  QByteArray(reinterpret_cast<const char *>(rgba.constBits()), rgba.sizeInBytes()));
    }
}

TEST(ImageFileName, SlotTextUnchangedButOnlyAsAPlainFileName)
{
    const QString stamp = QStringLiteral("-06-12-2026-14-05-09");
    const std::pair<const char *, const char *> accepted[] = {
        {"3", "Bild-3.bmp"}, {"03", "Bild-03.bmp"}, {"2.5", "Bild-2.5.bmp"}, {"0,4", "Bild-0,4.bmp"},
        {"1e0", "Bild-1e0.bmp"}, {" 3", "Bild- 3.bmp"},
    };
    for (const auto &[slot, name] : accepted)
        EXPECT_EQ(imagefilename::of(QString::fromUtf8(slot)), QString::fromUtf8(name)) << slot;
    EXPECT_EQ(imagefilename::of(QStringLiteral("3"), stamp), QStringLiteral("Bild-3-06-12-2026-14-05-09.bmp"));
    for (const char *slot : {"9.5", "-1", "10", "abc", "../x", "", "3/", "3\n", "\t3", "\u00a03"})
        EXPECT_EQ(imagefilename::of(QString::fromUtf8(slot)), std::nullopt) << slot;
    for (const char *bad : {"/../x", "Datum"})
        EXPECT_EQ(imagefilename::of(QStringLiteral("3"), QString::fromUtf8(bad)), std::nullopt) << bad;
}

TEST(ImageOffer, EncodedAwayFromTheWindowsAndOnlyTheNewestWriteLands)
{
    QClipboard *board = QGuiApplication::clipboard();
    board->setText(QStringLiteral("vorher"));
    ImageOffer offer;
    QSignalSpy offered(&offer, &ImageOffer::offered);
    const QImage first = noise(300, 200, QImage::Format_RGB32, 1);
    const QImage second = noise(300, 200, QImage::Format_ARGB32, 2, 0x40000000u);

    offer.offer(first);
    EXPECT_TRUE(offer.pending());
    EXPECT_EQ(board->text(), QStringLiteral("vorher"));
    offer.offer(second);
    ASSERT_TRUE(offered.wait(10000));
    const QMimeData *data = board->mimeData();
    // image/png alone: no other image type that Qt would encode on request.
    EXPECT_EQ(data->formats(), QStringList{QStringLiteral("image/png")});
    EXPECT_TRUE(pixels(QImage::fromData(data->data(QStringLiteral("image/png")), "PNG")) == pixels(second));
    EXPECT_TRUE(pixels(board->image()) == pixels(second));

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
    EXPECT_TRUE(pixels(board->image()) == pixels(third));
    std::atomic<bool> stop{true};
    EXPECT_TRUE(ImageOffer::encode(first, stop).isEmpty());
}
