#include "bmpfile.h"

#include <QIODevice>
#include <QtEndian>

#include <limits>

namespace bmpfile {

namespace {

constexpr quint32 kFileHeaderBytes = 14;
constexpr quint32 kInfoHeaderBytes = 40;  // BITMAPINFOHEADER
constexpr quint32 kV5HeaderBytes = 124;   // BITMAPV5HEADER
constexpr quint32 kBiRgb = 0;
constexpr quint32 kBiBitfields = 3;
constexpr quint32 kLcsSrgb = 0x73524742;  // 'sRGB'
constexpr quint32 kLcsGmImages = 4;
constexpr int kDefaultDotsPerMeter = 3780; // 96 dots per inch
constexpr qsizetype kChunkBytes = 1 << 20;

int bitsOf(Layout layout)
{
    return layout == Layout::Rgb24 ? 24 : 32;
}

quint32 headerBytes(Layout layout)
{
    return kFileHeaderBytes + (layout == Layout::Rgb24 ? kInfoHeaderBytes : kV5HeaderBytes);
}

qint64 rowBytes(int width, Layout layout)
{
    return (qint64(width) * bitsOf(layout) + 31) / 32 * 4; // rows end on a 4-byte boundary
}

// Row y of `image` as a one-row picture over the same pixels (no copy).
QImage rowView(const QImage &image, int y)
{
    QImage row(image.constScanLine(y), image.width(), 1, image.bytesPerLine(), image.format());
    if (image.colorCount() > 0)
        row.setColorTable(image.colorTable());
    return row;
}

// Row y with 32-bit pixels whose alpha is straight (ARGB32), converted only when needed.
QImage argbRow(const QImage &image, int y)
{
    const QImage row = rowView(image, y);
    return image.format() == QImage::Format_ARGB32 ? row : row.convertToFormat(QImage::Format_ARGB32);
}

// Appends `v` in little-endian byte order, as wide as its type.
template <class Word> void put(QByteArray &out, Word v)
{
    char b[sizeof(Word)];
    qToLittleEndian(v, b);
    out.append(b, sizeof(Word));
}

void put16(QByteArray &out, quint16 v)
{
    put(out, v);
}

void put32(QByteArray &out, quint32 v)
{
    put(out, v);
}

QByteArray headers(const QImage &image, Layout layout, qint64 size)
{
    const qint64 pixelBytes = rowBytes(image.width(), layout) * image.height();
    const int dpmX = image.dotsPerMeterX() > 0 ? image.dotsPerMeterX() : kDefaultDotsPerMeter;
    const int dpmY = image.dotsPerMeterY() > 0 ? image.dotsPerMeterY() : kDefaultDotsPerMeter;
    QByteArray h;
    h.append("BM", 2);
    put32(h, quint32(size));
    put32(h, 0); // two reserved words
    put32(h, headerBytes(layout));
    put32(h, layout == Layout::Rgb24 ? kInfoHeaderBytes : kV5HeaderBytes);
    put32(h, quint32(image.width()));
    put32(h, quint32(image.height())); // positive: rows run from the bottom up
    put16(h, 1);
    put16(h, quint16(bitsOf(layout)));
    put32(h, layout == Layout::Rgb24 ? kBiRgb : kBiBitfields);
    put32(h, quint32(pixelBytes));
    put32(h, quint32(dpmX));
    put32(h, quint32(dpmY));
    put32(h, 0); // no colour table
    put32(h, 0);
    if (layout == Layout::Argb32) {
        put32(h, 0x00ff0000u); // red, green, blue and alpha masks: B, G, R, A bytes
        put32(h, 0x0000ff00u);
        put32(h, 0x000000ffu);
        put32(h, 0xff000000u);
        put32(h, kLcsSrgb);
        h.append(36 + 12, '\0'); // end points and gamma, unused with sRGB
        put32(h, kLcsGmImages);
        put32(h, 0); // no profile
        put32(h, 0);
        put32(h, 0);
    }
    return h;
}

// Appends row y in the file's pixel layout, padded to the row size.
void appendRow(QByteArray &out, const QImage &image, int y, Layout layout, qint64 bytes)
{
    const qsizetype start = out.size();
    const int w = image.width();
    if (layout == Layout::Rgb24) {
        const QImage row = rowView(image, y).convertToFormat(QImage::Format_BGR888);
        out.append(reinterpret_cast<const char *>(row.constScanLine(0)), qsizetype(w) * 3);
    } else {
        const QImage row = argbRow(image, y);
        out.resize(start + qsizetype(w) * 4);
        qToLittleEndian<quint32>(row.constScanLine(0), w, out.data() + start);
    }
    out.resize(start + bytes, '\0');
}

} // namespace

Layout layoutFor(const QImage &image)
{
    if (!image.hasAlphaChannel())
        return Layout::Rgb24;
    for (int y = 0; y < image.height(); ++y) {
        const QImage row = image.format() == QImage::Format_ARGB32_Premultiplied ? rowView(image, y)
                                                                                 : argbRow(image, y);
        const auto *p = reinterpret_cast<const QRgb *>(row.constScanLine(0));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(p[x]) != 255)
                return Layout::Argb32;
        }
    }
    return Layout::Rgb24;
}

qint64 fileSize(const QImage &image, Layout layout)
{
    if (image.isNull())
        return 0;
    const qint64 size = headerBytes(layout) + rowBytes(image.width(), layout) * image.height();
    // The file header records the size in 32 bits.
    return size > std::numeric_limits<quint32>::max() ? 0 : size;
}

bool write(const QImage &image, QIODevice &out)
{
    const Layout layout = layoutFor(image);
    const qint64 size = fileSize(image, layout);
    if (size == 0)
        return false;
    const qint64 bytes = rowBytes(image.width(), layout);
    QByteArray chunk = headers(image, layout, size);
    chunk.reserve(qMax<qsizetype>(kChunkBytes, bytes) + bytes);
    for (int y = image.height() - 1; y >= 0; --y) {
        appendRow(chunk, image, y, layout, bytes);
        if (chunk.size() >= kChunkBytes || y == 0) {
            if (out.write(chunk) != chunk.size())
                return false;
            chunk.resize(0);
        }
    }
    return true;
}

} // namespace bmpfile
