#include "platform/wayland/waylandclipboard.h"

#include "platform/clipboardtypes.h"
#include "platform/imageoffer.h"

#include <cstring>

WaylandClipboard::WaylandClipboard()
{
    m_pool.setMaxThreadCount(1);
    m_reader = std::make_unique<DataControlReader>(
        imageTypes(), SelectionFetcher::Limits{}, [this](const DataControlReader::Change &c) {
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
    if (c.holder == Holder::Nobody && !m_kept.empty()) {
        putBack(std::exchange(m_kept, {}), c.number);
        return;
    }
    m_kept = c.holder == Holder::Other ? KeptContent::of(c.result) : KeptContent{};
    const SelectionFetcher::Result &r = c.result;
    if (r.refused)
        emit pictureRefused(r.refused->size, r.refused->bytes);
    m_text = r.text;
    // Kept as the bytes it came as; the pixels decoded for the capture at hand go after it.
    m_picture = r.image.isNull() ? StoredPicture() : StoredPicture::encoded(r.imageBytes, r.imageType, r.image);
    ++m_snapshots;
    emit changed();
    m_picture.forgetPixels();
}

void WaylandClipboard::putBack(const KeptContent &kept, unsigned number)
{
    // Text first when both came, as a copy from the text store offers it; a
    // picture as the image store's copy does.
    if (kept.text)
        m_reader->putBack(textContent(*kept.text), number);
    else if (kept.picture.type() == "image/png")
        m_reader->putBack({{"image/png", kept.picture.bytes()}}, number);
    else
        offerPicture(kept.picture,
                     [this, number](const QByteArray &png) { m_reader->putBack({{"image/png", png}}, number); });
}

bool WaylandClipboard::GetFormat(int format)
{
    if (format == vbCFText)
        return m_text.has_value();
    if (format == vbCFBitmap)
        return !m_picture.isNull();
    return false;
}

std::optional<QString> WaylandClipboard::GetText()
{
    return m_text;
}

QImage WaylandClipboard::GetData()
{
    return m_picture.pixels();
}

StoredPicture WaylandClipboard::GetPicture()
{
    return m_picture;
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
    m_kept = {};
    const std::lock_guard lock(m_writing);
    if (m_pending) {
        m_pending->dropped = true;
        m_pending.reset();
    }
}
