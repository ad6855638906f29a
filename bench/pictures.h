#pragma once
// Test pictures of the benchmarks: distinct for each seed.

#include <QBuffer>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>

namespace benchpictures {

// A photograph's worth of detail: a gradient under fine noise (compresses like a photo).
inline QImage photo(int w, int h, int seed = 0)
{
    QImage img(w, h, QImage::Format_RGB32);
    {
        QPainter p(&img);
        QLinearGradient g(0, 0, w, h);
        g.setColorAt(0, QColor(20 + seed * 9 % 60, 30, 120));
        g.setColorAt(0.5, QColor(230, 200 - seed * 7 % 50, 40));
        g.setColorAt(1, QColor(30, 110, 40 + seed * 13 % 80));
        p.fillRect(img.rect(), g);
    }
    QRandomGenerator random(7 + seed);
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int n = int(random.bounded(9u)) - 4;
            const QRgb c = line[x];
            line[x] = qRgb(qBound(0, qRed(c) + n, 255), qBound(0, qGreen(c) + n, 255), qBound(0, qBlue(c) + n, 255));
        }
    }
    return img;
}

// Screen content: text on white with a coloured panel (compresses like a screenshot).
inline QImage screen(int w, int h, int seed = 0)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 11));
    for (int y = 0; y < h; y += 18)
        p.drawText(10 + (y + seed * 17) % 50, y + 14,
                   QStringLiteral("Lorem ipsum dolor sit amet %1, consectetur adipiscing elit").arg(y + seed).repeated(4));
    p.fillRect(w / 2 - seed * 40, h / 8, w / 5, h / 4, QColor::fromHsv(seed * 36 % 360, 200, 140));
    return img;
}

// A smooth gradient with a soft band (compresses far better than a photo:
// a 3840 x 2160 one is well under 1 MiB as PNG).
inline QImage gradient(int w, int h, int seed = 0)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient g(0, 0, w, h / 3 + seed * 50);
    g.setColorAt(0, QColor::fromHsv(seed * 36 % 360, 180, 230));
    g.setColorAt(1, QColor::fromHsv((seed * 36 + 150) % 360, 120, 60));
    p.fillRect(img.rect(), g);
    return img;
}

inline QByteArray png(const QImage &image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace benchpictures
