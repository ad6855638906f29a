#include "platform/clipboardtypes.h"

#include <QImageReader>

QByteArrayList imageTypes()
{
    QByteArrayList out = {"image/png", "image/bmp", "image/x-bmp", "image/x-MS-bmp", "image/tiff",
                          "image/x-portable-pixmap"};
    for (const QByteArray &t : QImageReader::supportedMimeTypes()) {
        if (!out.contains(t) && t != "image/svg+xml")
            out << t;
    }
    return out;
}
