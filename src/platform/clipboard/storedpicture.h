#pragma once
// A picture as the clipboard gave it: the encoded bytes in the type they came
// in (PNG, JPEG, BMP, ...), a fraction of its decoded size. Full pixels are
// decoded only when something needs them, and those decoded along with the
// capture are dropped once its handlers are done (forgetPixels). Small
// renderings of the whole picture (the thumbnail, the preview) are kept with
// the bytes, so that painting them again needs no decode. Copies share
// everything; two handles of one capture are sameAs each other. A picture
// made in the program (samples, a test's picture) is held as pixels alone.

#include <QByteArray>
#include <QImage>

#include <memory>
#include <vector>

class StoredPicture
{
public:
    StoredPicture() = default;
    // Pixels alone, kept as they are.
    explicit StoredPicture(const QImage &pixels);
    // `bytes` of MIME type `type`; `decoded` is their picture when already at hand.
    static StoredPicture encoded(const QByteArray &bytes, const QByteArray &type, const QImage &decoded);
    // `bytes` kept from an earlier run: their size read from the header, the
    // pixels decoded only when asked for (decoded now when the header says nothing).
    static StoredPicture kept(const QByteArray &bytes, const QByteArray &type);

    bool isNull() const { return !m_d; }
    QSize size() const;
    // The bytes as they came (empty for pixels alone), and their MIME type.
    QByteArray bytes() const;
    QByteArray type() const;
    // The pixels: held, or decoded now (a null image when the bytes hold no picture).
    QImage pixels() const;
    bool hasPixels() const;
    // Drops pixels decoded along with the bytes; pixels alone are kept.
    void forgetPixels();
    bool sameAs(const StoredPicture &other) const { return m_d == other.m_d; }
    // Who this picture is, without keeping it.
    std::weak_ptr<const void> identity() const { return m_d; }
    bool is(const std::weak_ptr<const void> &identity) const
    {
        return m_d && !identity.expired() && !identity.owner_before(m_d) && !m_d.owner_before(identity);
    }

    // The whole picture stretched smoothly into `size`; made once per size
    // and kept with the picture.
    QImage rendering(const QSize &size) const;
    // `source` stretched smoothly into `size` (exactly itself at its own size).
    static QImage smoothlyScaled(const QImage &source, const QSize &size);

    // The picture in `bytes` as the store keeps it (no more than 32 bits a pixel).
    static QImage decode(const QByteArray &bytes);
    // `image` brought to what the store keeps.
    static QImage normalised(QImage image);

private:
    struct Data {
        QByteArray bytes;
        QByteArray type;
        QSize size;
        QImage kept; // pixels alone
        std::vector<QImage> renderings; // a few sizes, user-interface thread only
    };
    std::shared_ptr<Data> m_d;
    QImage m_fresh; // pixels decoded with the bytes, this handle's until forgotten
};
