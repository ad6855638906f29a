#include "forms/artwork.h"

#include <QBitmap>
#include <QPainter>

namespace artwork {

QImage canvas(const QSize &size)
{
    QImage img(size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

QCursor handCursor()
{
    // A pointing hand, black outline over white, 32 x 32 with one bit a pixel.
    static const char *rows[] = {
        "      XX      ", "     X..X     ", "     X..X     ", "     X..X     ",
        "     X..XXX   ", "     X..X..XXX", "  XX X..X..X..X", " X..XX.......X",
        " X...X.......X", "  X...........X", "  X..........X ", "   X.........X ",
        "   X........X  ", "    X.......X  ", "    X.......X  ", "    XXXXXXXXX  ",
    };
    QBitmap shape(32, 32), mask(32, 32);
    shape.fill(Qt::color0);
    mask.fill(Qt::color0);
    QPainter ps(&shape), pm(&mask);
    for (int y = 0; y < 16; ++y) {
        const char *r = rows[y];
        for (int x = 0; r[x]; ++x) {
            if (r[x] == ' ')
                continue;
            for (int dy = 0; dy < 2; ++dy) {
                for (int dx = 0; dx < 2; ++dx) {
                    pm.setPen(Qt::color1);
                    pm.drawPoint(2 * x + dx, 2 * y + dy);
                    ps.setPen(r[x] == 'X' ? Qt::color1 : Qt::color0);
                    ps.drawPoint(2 * x + dx, 2 * y + dy);
                }
            }
        }
    }
    ps.end();
    pm.end();
    return QCursor(shape, mask, 12, 0);
}

} // namespace artwork
