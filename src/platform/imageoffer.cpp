#include "platform/imageoffer.h"

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

} // namespace

ImageOffer::ImageOffer(QObject *parent)
    : QObject(parent)
{
    // One encoding at a time: a newer offer waits for a dropped one to end.
    m_pool.setMaxThreadCount(1);
    // Our own writes cancel before they change the clipboard, so a change
    // seen while an offer is pending comes from another program.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, &ImageOffer::cancel);
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
