#include "ImageArtwork.h"

#include <QString>

#include <array>

// Pulls the resources of the static library into every program that links
// it (Q_INIT_RESOURCE must stand outside any namespace).
static void initResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(imagestore);
        return true;
    }();
    (void)done;
}

namespace {

QImage load(const char *name)
{
    initResources();
    return QImage(QStringLiteral(":/imagestore/") + QLatin1String(name));
}

} // namespace

namespace imageartwork {

QImage placeholder()
{
    static const QImage image = load("platzhalter.bmp");
    return image;
}

QImage sample(int index)
{
    static const std::array<QImage, 3> images = {load("muster0.bmp"), load("muster1.bmp"), load("muster2.bmp")};
    if (index < 0 || index >= static_cast<int>(images.size()))
        return {};
    return images[static_cast<std::size_t>(index)];
}

} // namespace imageartwork
