#include "imageoffer.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMimeData>

namespace {

const QString kPng = QStringLiteral("image/png");

// Level 1 of zlib's 0..9 on Qt's scale of 0..100: a 3840 x 2160 photograph
// encodes about six times faster than at Qt's default, and only some 15 %
// larger; screen contents shrink just as much as at the default.
constexpr int kPngCompression = 11;

// A buffer that refuses further writes once the offer is dropped, which ends
// the encoder early.
class CancellableBuffer : public QBuffer
{
public:
    CancellableBuffer(QByteArray *bytes, const std::atomic<bool> &cancelled)
        : QBuffer(bytes)
        , m_cancelled(cancelled)
    {
    }

protected:
    qint64 writeData(const char *data, qint64 length) override
    {
        if (m_cancelled.load(std::memory_order_relaxed))
            return -1;
        return QBuffer::writeData(data, length);
    }

private:
    const std::atomic<bool> &m_cancelled;
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

} // namespace

ImageOffer::ImageOffer(QObject *parent)
    : QObject(parent)
{
    // One encoding at a time: a newer offer waits for the dropped one to stop.
    m_pool.setMaxThreadCount(1);
    // Our own writes cancel before they change the clipboard, so a change
    // seen while an offer is pending comes from another program.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &ImageOffer::cancel);
}

ImageOffer::~ImageOffer()
{
    cancel();
    m_pool.waitForDone();
}

void ImageOffer::offer(const QImage &image)
{
    cancel();
    auto job = std::make_shared<Job>();
    m_job = job;
    m_pool.start([this, job, image] {
        const QByteArray png = encode(image, job->cancelled);
        // Queued to this object's thread; the destructor waits for this task first.
        QMetaObject::invokeMethod(this, [this, job, png] { finish(job, png); }, Qt::QueuedConnection);
    });
}

void ImageOffer::cancel()
{
    if (m_job) {
        m_job->cancelled = true;
        m_job.reset();
    }
}

void ImageOffer::finish(const std::shared_ptr<Job> &job, const QByteArray &png)
{
    if (job != m_job || job->cancelled)
        return;
    m_job.reset();
    if (png.isEmpty())
        return;
    QGuiApplication::clipboard()->setMimeData(mimeData(png), QClipboard::Clipboard);
    emit offered();
}

QByteArray ImageOffer::encode(const QImage &image, const std::atomic<bool> &cancelled)
{
    QByteArray png;
    if (image.isNull())
        return png;
    CancellableBuffer buffer(&png, cancelled);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setCompression(kPngCompression);
    if (!writer.write(image) || cancelled.load())
        return {};
    // The buffer grew by doubling; the offer may be held for long.
    png.squeeze();
    return png;
}

QMimeData *ImageOffer::mimeData(const QByteArray &png)
{
    return new PngMimeData(png);
}
