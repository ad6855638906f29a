#include "platform/clipboard/wayland/waylandclipboard.h"

#include "platform/clipboard/clipboardtypes.h"
#include "platform/clipboard/imageoffer.h"
#include "platform/clipboard/picturetype.h"
#include "platform/clipboard/waylandsession.h"
#include "platform/clipboard/x11/x11clipboard.h"
#include "platform/services/log.h"
#include "platform/services/x11connection.h"

#include <QFileInfo>

#include <cstring>

WaylandClipboard::WaylandClipboard()
{
    m_pool.setMaxThreadCount(1);
    m_retry.setInterval(kRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &WaylandClipboard::reconnect);
    m_reader = makeReader();
}

WaylandClipboard::~WaylandClipboard()
{
    drop();
    m_stopping = true;
    m_pool.waitForDone();
    m_reader.reset(); // joins the worker before the members it reports into go
}

std::unique_ptr<DataControlReader> WaylandClipboard::makeReader()
{
    const unsigned generation = ++m_generation;
    // Back to the user-interface thread; dropped if this object or this reader is gone.
    return std::make_unique<DataControlReader>(
        imageTypes(), ClipboardLimits{},
        [this, generation](const DataControlReader::Change &c) {
            QMetaObject::invokeMethod(
                this, [this, generation, c] { if (generation == m_generation) arrived(c); }, Qt::QueuedConnection);
        },
        [this, generation] {
            QMetaObject::invokeMethod(
                this, [this, generation] { if (generation == m_generation) lost(); }, Qt::QueuedConnection);
        });
}

void WaylandClipboard::lost()
{
    drop(); // a picture being made and the content kept went with the compositor
    if (x11::onX11()) {
        auto x11 = std::make_unique<X11Clipboard>();
        if (x11->connected()) {
            m_x11Changes = 0;
            connect(x11.get(), &Clipboard::changed, this, [this] {
                // Its first is what X11 held when the connection broke: no copy.
                if (m_x11Changes++ > 0)
                    deliver(m_x11->GetText(), m_x11->GetPicture());
            });
            connect(x11.get(), &Clipboard::pictureRefused, this, &Clipboard::pictureRefused);
            m_x11 = std::move(x11);
        }
    }
    qCWarning(lcClipboard) << "the connection to the Wayland compositor is lost; clipboard route meanwhile:"
                           << (m_x11 ? "X11 selection reader" : "none");
    if (!std::exchange(m_lostTold, true))
        emit notice(connectionLostNotice(WaylandSession::fromEnvironment(), m_x11 != nullptr));
    m_retry.start();
}

void WaylandClipboard::reconnect()
{
    const QString socket = WaylandSession::socketPath();
    if (m_probing || socket.isEmpty() || !QFileInfo::exists(socket))
        return;
    // Tried on the pool first: a compositor that takes the connection but
    // does not answer must not hold the windows.
    m_probing = true;
    m_pool.start([this] {
        const bool up = DataControlReader::available();
        QMetaObject::invokeMethod(this, [this, up] {
            m_probing = false;
            if (up && m_retry.isActive())
                rejoin();
        }, Qt::QueuedConnection);
    });
}

void WaylandClipboard::rejoin()
{
    std::unique_ptr<DataControlReader> fresh = makeReader();
    if (!fresh->connected())
        return; // tried again at the next turn
    {
        const std::lock_guard lock(m_writing);
        std::swap(m_reader, fresh);
    }
    fresh.reset(); // the broken reader, its worker joined
    m_retry.stop();
    m_x11.reset();
    m_rejoined = true;
    qCInfo(lcClipboard).noquote() << "clipboard route: Wayland data control again," << m_reader->route();
}

void WaylandClipboard::arrived(const DataControlReader::Change &c)
{
    using Holder = DataControlReader::Holder;
    // The clipboard met on coming back: captured when it holds something.
    if (std::exchange(m_rejoined, false) && c.holder == Holder::Nobody)
        return;
    // One line for each change: what it brought and what became of it.
    const auto note = [&c](const char *outcome) {
        qCInfo(lcClipboard).noquote() << QStringLiteral("change %1: %2; %3")
                                             .arg(c.number)
                                             .arg(describeChange(c.result), QLatin1String(outcome));
    };
    if (c.holder == Holder::Nobody) {
        if (const std::optional<KeptContent> kept = m_kept.take()) {
            note("skipped: its owner ended, its content goes back");
            putBack(*kept, c.number);
            return;
        }
    }
    note(c.result.givenUp ? "skipped, nothing of it kept" : "passed on to the capture");
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
    case KeptContent::Form::EncodedAsPng:
        m_reader->putBack(pictureContent(kept.picture), number);
        break;
    }
}

DataControlReader::Content WaylandClipboard::pictureContent(const StoredPicture &picture)
{
    // As on X11 (pictureOffer): PNG, BMP where the program writes BMP, and
    // the type the bytes really are as those bytes; the conversions are made
    // only when asked for.
    StoredPicture held = picture;
    held.forgetPixels();
    DataControlReader::Content content;
    for (const PictureOfferType &t : pictureOffer(held.bytes(), held.type(), ImageOffer::writesBitmaps())) {
        if (t.source == PictureOfferType::Source::Original) {
            content.push_back({t.type, held.bytes(), nullptr});
            continue;
        }
        const bool png = t.source == PictureOfferType::Source::Png;
        content.push_back({t.type, {}, std::make_shared<LazyBytes>([held, png](const std::atomic<bool> &stop) {
                               const QImage pixels = held.pixels();
                               return png ? ImageOffer::encode(pixels, stop) : ImageOffer::bitmap(pixels);
                           })});
    }
    return content;
}

DataControlReader::Content WaylandClipboard::textContent(const QString &text)
{
    // STRING is Latin-1 by its definition; every other text type is asked
    // for as UTF-8 on Wayland, text/plain included.
    DataControlReader::Content content;
    for (const TextType &t : kTextTypes)
        content.push_back({t.name, std::strcmp(t.name, "STRING") == 0 ? text.toLatin1() : text.toUtf8(), nullptr});
    return content;
}

void WaylandClipboard::SetText(const QString &text)
{
    if (m_x11)
        return m_x11->SetText(text);
    drop();
    m_reader->write(textContent(text));
}

void WaylandClipboard::SetData(const QImage &image)
{
    if (m_x11)
        return m_x11->SetData(image);
    drop();
    const unsigned since = m_reader->foreignChanges();
    offerPicture(StoredPicture(image),
                 [this, since](const QByteArray &png) { m_reader->write({{"image/png", png, nullptr}}, since); });
}

void WaylandClipboard::SetPicture(const StoredPicture &picture)
{
    if (m_x11)
        return m_x11->SetPicture(picture);
    if (picture.bytes().isEmpty())
        return SetData(picture.pixels()); // made in the program: no bytes to hand over
    // Stored with its bytes: offered at once.
    drop();
    m_reader->write(pictureContent(picture), m_reader->foreignChanges());
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
    if (m_x11)
        return m_x11->Clear();
    drop();
    m_reader->write({});
}

void WaylandClipboard::keepAfterEnd()
{
    if (m_x11)
        m_x11->keepAfterEnd();
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
