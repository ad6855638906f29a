#include "platform/wayland/waylandclipboard.h"

#include "platform/clipboardtypes.h"
#include "platform/imageoffer.h"

#include <cstring>

WaylandClipboard::WaylandClipboard()
{
    m_pool.setMaxThreadCount(1);
    m_reader = std::make_unique<DataControlReader>(
        imageTypes(), SelectionFetcher::Limits{}, [this](const SelectionFetcher::Result &r) {
            // Back to the user-interface thread; dropped if this object is gone.
            QMetaObject::invokeMethod(
                this,
                [this, r] {
                    if (r.refused)
                        emit pictureRefused(r.refused->size, r.refused->bytes);
                    m_text = r.text;
                    m_image = r.image;
                    ++m_snapshots;
                    emit changed();
                },
                Qt::QueuedConnection);
        });
}

WaylandClipboard::~WaylandClipboard()
{
    drop();
    m_stopping = true;
    m_pool.waitForDone();
    m_reader.reset(); // joins the worker before the members it reports into go
}

bool WaylandClipboard::GetFormat(int format)
{
    if (format == vbCFText)
        return m_text.has_value();
    if (format == vbCFBitmap)
        return !m_image.isNull();
    return false;
}

std::optional<QString> WaylandClipboard::GetText()
{
    return m_text;
}

QImage WaylandClipboard::GetData()
{
    return m_image;
}

void WaylandClipboard::SetText(const QString &text)
{
    drop();
    // STRING is Latin-1 by its definition; every other text type is asked
    // for as UTF-8 on Wayland, text/plain included.
    DataControlReader::Content content;
    for (const TextType &t : kTextTypes)
        content.emplace_back(t.name, std::strcmp(t.name, "STRING") == 0 ? text.toLatin1() : text.toUtf8());
    m_reader->write(std::move(content));
}

void WaylandClipboard::SetData(const QImage &image)
{
    drop();
    auto job = std::make_shared<Encoding>();
    m_pending = job;
    const unsigned since = m_reader->foreignChanges();
    m_pool.start([this, job, image, since] {
        if (job->dropped)
            return;
        const QByteArray png = ImageOffer::encode(image, m_stopping);
        // The reader is thread-safe; the destructor waits for this task before it goes.
        const std::lock_guard lock(m_writing);
        if (png.isEmpty() || job->dropped)
            return;
        m_reader->write({{"image/png", png}}, since);
        QMetaObject::invokeMethod(
            this, [this, job] { if (m_pending == job) m_pending.reset(); }, Qt::QueuedConnection);
    });
}

void WaylandClipboard::Clear()
{
    drop();
    m_reader->write({});
}

void WaylandClipboard::drop()
{
    const std::lock_guard lock(m_writing);
    if (m_pending) {
        m_pending->dropped = true;
        m_pending.reset();
    }
}
