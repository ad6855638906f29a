#include "platform/clipboard/storedpicture.h"

#include <QBuffer>
#include <QImageReader>

namespace {

// Sizes kept per picture: the thumbnail and the preview, with room for a change of screen.
constexpr std::size_t kRenderings = 4;

} // namespace

StoredPicture::StoredPicture(const QImage &pixels)
{
    if (pixels.isNull())
        return;
    m_d = std::make_shared<Data>();
    m_d->size = pixels.size();
    m_d->kept = pixels;
}

StoredPicture StoredPicture::encoded(const QByteArray &bytes, const QByteArray &type, const QImage &decoded)
{
    StoredPicture p;
    if (bytes.isEmpty())
        return p;
    p.m_fresh = decoded.isNull() ? decode(bytes) : decoded;
    if (p.m_fresh.isNull())
        return p;
    p.m_d = std::make_shared<Data>();
    p.m_d->bytes = bytes;
    p.m_d->type = type;
    p.m_d->size = p.m_fresh.size();
    return p;
}

StoredPicture StoredPicture::kept(const QByteArray &bytes, const QByteArray &type)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty())
        return encoded(bytes, type, QImage());
    StoredPicture p;
    p.m_d = std::make_shared<Data>();
    p.m_d->bytes = bytes;
    p.m_d->type = type;
    p.m_d->size = size;
    return p;
}

QSize StoredPicture::size() const
{
    return m_d ? m_d->size : QSize();
}

QByteArray StoredPicture::bytes() const
{
    return m_d ? m_d->bytes : QByteArray();
}

QByteArray StoredPicture::type() const
{
    return m_d ? m_d->type : QByteArray();
}

bool StoredPicture::hasPixels() const
{
    return m_d && (!m_d->kept.isNull() || !m_fresh.isNull());
}

QImage StoredPicture::pixels() const
{
    if (!m_d)
        return {};
    if (!m_d->kept.isNull())
        return m_d->kept;
    if (!m_fresh.isNull())
        return m_fresh;
    return decode(m_d->bytes);
}

void StoredPicture::forgetPixels()
{
    m_fresh = QImage();
}

QImage StoredPicture::rendering(const QSize &size) const
{
    if (!m_d || size.isEmpty())
        return {};
    for (const QImage &r : m_d->renderings) {
        if (r.size() == size)
            return r;
    }
    const QImage r = smoothlyScaled(pixels(), size);
    if (r.isNull())
        return {};
    if (m_d->renderings.size() == kRenderings)
        m_d->renderings.erase(m_d->renderings.begin());
    m_d->renderings.push_back(r);
    return r;
}

QImage StoredPicture::smoothlyScaled(const QImage &source, const QSize &size)
{
    if (source.isNull() || source.size() == size)
        return source;
    // Qt blends one-bit pictures into black: their colours go first.
    if (source.depth() == 1)
        return smoothlyScaled(source.convertToFormat(source.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                               : QImage::Format_RGB32),
                              size);
    // A picture far larger than the target is sampled down first, so that the
    // cost follows the size drawn, then blended smoothly.
    const QSize sampled = size * 4;
    const QImage base = source.width() > sampled.width() && source.height() > sampled.height()
        ? source.scaled(sampled, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        : source;
    return base.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage StoredPicture::decode(const QByteArray &bytes)
{
    return normalised(QImage::fromData(bytes));
}

QImage StoredPicture::normalised(QImage image)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return {};
    // Deeper pixels (16 bits a channel) hold nothing a bitmap of the store keeps.
    if (image.depth() > 32)
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    return image;
}
