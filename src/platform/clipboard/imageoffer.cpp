#include "platform/clipboard/imageoffer.h"

#include "platform/clipboard/keptcontent.h"
#include "platform/clipboard/memoryreturn.h"
#include "platform/clipboard/picturetype.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMimeData>

#include <condition_variable>
#include <mutex>

#include <unistd.h>

namespace {

const QString kPng = QStringLiteral("image/png");

// Level 1 of zlib's 0..9 on Qt's scale of 0..100: a 3840 x 2160 photograph
// encodes about six times faster than at Qt's default, and only some 15 %
// larger; screen contents shrink just as much as at the default.
constexpr int kPngCompression = 11;

// A buffer that refuses further writes once told to stop, which ends the encoder early.
class StoppableBuffer : public QBuffer
{
public:
    StoppableBuffer(QByteArray *bytes, const std::atomic<bool> &stop)
        : QBuffer(bytes)
        , m_stop(stop)
    {
    }

protected:
    qint64 writeData(const char *data, qint64 length) override
    {
        if (m_stop.load(std::memory_order_relaxed))
            return -1;
        return QBuffer::writeData(data, length);
    }

private:
    const std::atomic<bool> &m_stop;
};

// Offers image/png alone. Qt's own picture content would also offer every
// other image type and encode it on request, on the user-interface thread.
class PngMimeData : public QMimeData
{
public:
    explicit PngMimeData(const QByteArray &png)
        : m_png(png)
    {
    }
    QStringList formats() const override { return {kPng}; }
    bool hasFormat(const QString &mimeType) const override { return mimeType == kPng; }

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override
    {
        if (mimeType == kPng)
            return m_png;
        if (mimeType == QLatin1String("application/x-qt-image") && type == QMetaType::fromType<QImage>())
            return QImage::fromData(m_png, "PNG");
        return {};
    }

private:
    QByteArray m_png;
};

ImageOffer::BitmapWriter &bitmapWriter()
{
    static ImageOffer::BitmapWriter writer;
    return writer;
}

// The types a stored picture is converted into, made on a worker once.
struct Conversions {
    std::mutex mutex;
    std::condition_variable ready;
    bool done = false;
    QByteArray png; // empty when the picture is PNG already
    QByteArray bmp;

    void finish(QByteArray p, QByteArray b)
    {
        std::lock_guard lock(mutex);
        png = std::move(p);
        bmp = std::move(b);
        done = true;
        ready.notify_all();
    }
    // Waits for the conversion; a reader gets nothing rather than a frozen program.
    QByteArray wait(bool wantPng)
    {
        std::unique_lock lock(mutex);
        ready.wait_for(lock, std::chrono::seconds(20), [this] { return done; });
        return wantPng ? png : bmp;
    }
};

// A stored picture's offer: its bytes under the type they really are, the
// conversions under every other type (pictureOffer).
class StoredMimeData : public QMimeData
{
public:
    StoredMimeData(const StoredPicture &picture, const QByteArray &mark, std::shared_ptr<Conversions> conversions,
                   std::vector<PictureOfferType> offer)
        : m_picture(picture)
        , m_mark(mark)
        , m_conversions(std::move(conversions))
        , m_offer(std::move(offer))
    {
        for (const PictureOfferType &t : m_offer)
            m_formats << QString::fromLatin1(t.type);
        m_formats << QString::fromLatin1(ImageOffer::kMarkTarget);
    }
    QStringList formats() const override { return m_formats; }
    bool hasFormat(const QString &mimeType) const override { return m_formats.contains(mimeType); }

protected:
    QVariant retrieveData(const QString &mimeType, QMetaType type) const override
    {
        if (mimeType == QLatin1String(ImageOffer::kMarkTarget))
            return m_mark;
        if (mimeType == QLatin1String("application/x-qt-image") && type == QMetaType::fromType<QImage>())
            return m_picture.pixels();
        for (const PictureOfferType &t : m_offer) {
            if (mimeType != QLatin1String(t.type))
                continue;
            if (t.source == PictureOfferType::Source::Original)
                return m_picture.bytes();
            return m_conversions->wait(t.source == PictureOfferType::Source::Png);
        }
        return {};
    }

private:
    StoredPicture m_picture;
    QByteArray m_mark;
    std::shared_ptr<Conversions> m_conversions;
    std::vector<PictureOfferType> m_offer;
    QStringList m_formats;
};

} // namespace

void ImageOffer::setBitmapWriter(BitmapWriter writer)
{
    bitmapWriter() = std::move(writer);
}

bool ImageOffer::writesBitmaps()
{
    return bool(bitmapWriter());
}

QByteArray ImageOffer::bitmap(const QImage &image)
{
    QByteArray bmp;
    const BitmapWriter &write = bitmapWriter();
    if (!write || image.isNull())
        return bmp;
    QBuffer out(&bmp);
    out.open(QIODevice::WriteOnly);
    if (!write(image, out))
        return {};
    bmp.squeeze();
    return bmp;
}

bool ImageOffer::isOwnMark(const QByteArray &mark)
{
    return mark.startsWith(QByteArray::number(::getpid()) + ':');
}

StoredPicture ImageOffer::own(const QByteArray &mark) const
{
    return !mark.isEmpty() && mark == m_mark ? m_stored : StoredPicture();
}

void ImageOffer::offerStored(const StoredPicture &picture)
{
    cancel();
    StoredPicture held = picture;
    held.forgetPixels(); // the offer keeps the bytes; pixels are decoded on the worker
    if (held.bytes().isEmpty()) {
        offer(picture.pixels()); // made in the program: no bytes to hand over
        return;
    }
    auto conversions = std::make_shared<Conversions>();
    const BitmapWriter writeBmp = bitmapWriter();
    std::vector<PictureOfferType> types = pictureOffer(held.bytes(), held.type(), bool(writeBmp));
    const bool isPng = types.front().source == PictureOfferType::Source::Original; // image/png comes first
    m_pool.start([this, held, weak = std::weak_ptr<Conversions>(conversions), writeBmp, isPng] {
        // Nothing to do for a picture the clipboard no longer holds.
        const std::shared_ptr<Conversions> conversions = weak.lock();
        if (!conversions)
            return;
        const QImage pixels = held.pixels();
        QByteArray png = isPng ? QByteArray() : encode(pixels, m_stopping);
        QByteArray bmp;
        if (writeBmp && !pixels.isNull() && !m_stopping) {
            QBuffer out(&bmp);
            out.open(QIODevice::WriteOnly);
            if (!writeBmp(pixels, out))
                bmp.clear();
            bmp.squeeze();
        }
        conversions->finish(std::move(png), std::move(bmp));
    });
    m_stored = held;
    m_mark = QByteArray::number(::getpid()) + ':' + QByteArray::number(++m_marks);
    QGuiApplication::clipboard()->setMimeData(new StoredMimeData(held, m_mark, conversions, std::move(types)),
                                              QClipboard::Clipboard);
    emit offered();
}

ImageOffer::ImageOffer(QObject *parent)
    : QObject(parent)
{
    // One encoding at a time: a newer offer waits for a dropped one to end.
    m_pool.setMaxThreadCount(1);
    // Our own writes cancel before they change the clipboard, so a change
    // seen while an offer is pending comes from another program.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &ImageOffer::cancel);
    // Another program's content: the last stored picture is no longer on offer.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        if (!QGuiApplication::clipboard()->ownsClipboard() && !m_mark.isEmpty()) {
            m_stored = StoredPicture();
            m_mark.clear();
            memoryreturn::afterRelease(); // with its conversions
        }
    });
}

ImageOffer::~ImageOffer()
{
    cancel();
    m_stopping = true;
    m_pool.clear();
    m_pool.waitForDone();
}

void ImageOffer::offer(const QImage &image)
{
    cancel();
    auto job = std::make_shared<Job>();
    m_job = job;
    m_pool.start([this, job, image] {
        if (job->dropped)
            return; // a newer write came before this one started
        const QByteArray png = encode(image, m_stopping);
        // Queued to this object's thread; the destructor waits for this task first.
        if (!job->dropped)
            QMetaObject::invokeMethod(this, [this, job, png] { finish(job, png); }, Qt::QueuedConnection);
    });
}

void ImageOffer::cancel()
{
    if (m_job) {
        m_job->dropped = true;
        m_job.reset();
    }
}

void ImageOffer::finish(const std::shared_ptr<Job> &job, const QByteArray &png)
{
    if (job != m_job || job->dropped)
        return;
    m_job.reset();
    if (png.isEmpty())
        return;
    QGuiApplication::clipboard()->setMimeData(mimeData(png), QClipboard::Clipboard);
    emit offered();
}

QByteArray ImageOffer::encode(const QImage &image, const std::atomic<bool> &stop)
{
    QByteArray png;
    if (image.isNull() || stop)
        return png;
    StoppableBuffer buffer(&png, stop);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setCompression(kPngCompression);
    if (!writer.write(image) || stop)
        return {};
    // The buffer grew by doubling; the offer may be held for long.
    png.squeeze();
    return png;
}

QMimeData *ImageOffer::mimeData(const QByteArray &png)
{
    return new PngMimeData(png);
}
