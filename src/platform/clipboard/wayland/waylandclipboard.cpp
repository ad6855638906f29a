#include "platform/clipboard/wayland/waylandclipboard.h"

#include "platform/clipboard/clipboardtypes.h"
#include "platform/clipboard/imageoffer.h"

#include <cstring>

WaylandClipboard::WaylandClipboard()
{
    m_pool.setMaxThreadCount(1);
    m_reader = std::make_unique<DataControlReader>(
        imageTypes(), ClipboardLimits{}, [this](const DataControlReader::Change &c) {
            // Back to the user-interface thread; dropped if this object is gone.
            QMetaObject::invokeMethod(this, [this, c] { arrived(c); }, Qt::QueuedConnection);
        });
}

WaylandClipboard::~WaylandClipboard()
{
    drop();
    m_stopping = true;
    m_pool.waitForDone();
    m_reader.reset(); // joins the worker before the members it reports into go
}

void WaylandClipboard::arrived(const DataControlReader::Change &c)
{
    using Holder = DataControlReader::Holder;
    if (c.holder == Holder::Nobody) {
        if (const std::optional<KeptContent> kept = m_kept.take()) {
            putBack(*kept, c.number);
            return;
        }
    }
    if (c.holder == Holder::Other)
        m_kept.keep(c.result);
    else
        m_kept.forget();
    const ChangeContent &r = c.result;
    if (r.refused)
        emit pictureRefused(r.refused->size, r.refused->bytes);
    // Kept as the bytes it came as, with the pixels decoded for the capture at hand.
    deliver(r.text, r.image.isNull() ? StoredPicture() : StoredPicture::encoded(r.imageBytes, r.imageType, r.image));
}

void WaylandClipboard::putBack(const KeptContent &kept, unsigned number)
{
    switch (kept.form()) {
    case KeptContent::Form::Nothing:
        break;
    case KeptContent::Form::Text:
        m_reader->putBack(textContent(*kept.text), number);
        break;
    case KeptContent::Form::Png:
        m_reader->putBack({{"image/png", kept.picture.bytes()}}, number);
        break;
    case KeptContent::Form::EncodedAsPng:
        offerPicture(kept.picture,
                     [this, number](const QByteArray &png) { m_reader->putBack({{"image/png", png}}, number); });
        break;
    }
}

DataControlReader::Content WaylandClipboard::textContent(const QString &text)
{
    // STRING is Latin-1 by its definition; every other text type is asked
    // for as UTF-8 on Wayland, text/plain included.
    DataControlReader::Content content;
    for (const TextType &t : kTextTypes)
        content.emplace_back(t.name, std::strcmp(t.name, "STRING") == 0 ? text.toLatin1() : text.toUtf8());
    return content;
}

void WaylandClipboard::SetText(const QString &text)
{
    drop();
    m_reader->write(textContent(text));
}

void WaylandClipboard::SetData(const QImage &image)
{
    drop();
    const unsigned since = m_reader->foreignChanges();
    offerPicture(StoredPicture(image),
                 [this, since](const QByteArray &png) { m_reader->write({{"image/png", png}}, since); });
}

void WaylandClipboard::SetPicture(const StoredPicture &picture)
{
    if (picture.type() != "image/png")
        return SetData(picture.pixels());
    // Stored as PNG: offered as those bytes at once.
    drop();
    m_reader->write({{"image/png", picture.bytes()}}, m_reader->foreignChanges());
}

void WaylandClipboard::offerPicture(const StoredPicture &picture, std::function<void(const QByteArray &)> write)
{
    auto job = std::make_shared<Encoding>();
    m_pending = job;
    m_pool.start([this, job, picture, write] {
        if (job->dropped)
            return;
        const QByteArray png = ImageOffer::encode(picture.pixels(), m_stopping);
        // The reader is thread-safe; the destructor waits for this task before it goes.
        const std::lock_guard lock(m_writing);
        if (png.isEmpty() || job->dropped)
            return;
        write(png);
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
    m_kept.forget();
    const std::lock_guard lock(m_writing);
    if (m_pending) {
        m_pending->dropped = true;
        m_pending.reset();
    }
}
