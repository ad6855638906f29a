#pragma once
// Writing a picture as a Windows bitmap file (BMP), streamed row by row so
// that no second full-size copy of the picture is made.
//
// Opaque pictures are written with 24 bits per pixel and the classic 40-byte
// header, which every program that reads BMP understands and which holds any
// opaque colour exactly. A picture with any pixel that is not fully opaque is
// written with 32 bits per pixel and a BITMAPV5HEADER whose alpha mask keeps
// the transparency (straight, not premultiplied, alpha); a 24-bit file would
// show the hidden colours of its transparent pixels.

#include <QImage>

class QIODevice;

namespace bmpfile {

enum class Layout { Rgb24, Argb32 };

// Rgb24 when every pixel is fully opaque, else Argb32.
Layout layoutFor(const QImage &image);

// Size of the whole file in bytes; 0 when the picture is null or too large for the format.
qint64 fileSize(const QImage &image, Layout layout);

// Writes `image` as a BMP file into `out`. False when the picture is null,
// too large for the format or a write fails.
bool write(const QImage &image, QIODevice &out);

} // namespace bmpfile
