#include "platform/clipboard/x11/x11clipboard.h"

#include "platform/clipboard/clipboardtypes.h"
#include "platform/clipboard/imageoffer.h"
#include "platform/services/log.h"
#include "platform/services/x11connection.h"

#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMimeData>

namespace {

// How long a change to "no owner" waits for the keeper's word, and how long that word holds.
constexpr int kHoldMs = 250;
constexpr int kWordMs = 1000;

} // namespace

X11Clipboard::X11Clipboard()
{
    m_fetcher = std::make_unique<SelectionFetcher>(
        imageTypes(), ClipboardLimits{}, [this](const ChangeContent &r) {
            // Back to the user-interface thread; dropped if this object is gone.
            QMetaObject::invokeMethod(this, [this, r] { arrived(r); }, Qt::QueuedConnection);
        });
    if (!connected())
        return;
    m_encoder.setMaxThreadCount(1);
    m_holdTimer.setSingleShot(true);
    connect(&m_holdTimer, &QTimer::timeout, this, &X11Clipboard::releaseHeld);
    // The set call of our own put-back raises this too: that is no change.
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            [this] { m_fetcher->request(!m_placing); });
    ClipboardKeeper::Events events;
    events.ownerGone = [this](bool ended, bool manager, quint32 owner) {
        QMetaObject::invokeMethod(
            this, [this, ended, manager, owner] { ownerGone(ended, manager, owner); }, Qt::QueuedConnection);
    };
    events.saveAsked = [this](ClipboardKeeper::Save save) {
        QMetaObject::invokeMethod(
            this, [this, save] { m_saves.push_back({save, m_fetcher->request(false)}); }, Qt::QueuedConnection);
    };
    events.handedOver = [this](bool kept) {
        QMetaObject::invokeMethod(
            this,
            [this, kept] {
                if (m_handedOver)
                    m_handedOver(kept);
            },
            Qt::QueuedConnection);
    };
    m_keeper = std::make_unique<ClipboardKeeper>(std::move(events));
    m_fetcher->request();
}

X11Clipboard::~X11Clipboard()
{
    m_keeper.reset(); // its thread reports into this object
    m_fetcher.reset(); // joins the worker before the members it reports into go
    m_encoder.waitForDone();
}

bool X11Clipboard::connected() const
{
    return m_fetcher->connected();
}

void X11Clipboard::arrived(const ChangeContent &r)
{
    for (auto it = m_saves.begin(); it != m_saves.end();) {
        if (r.generation >= it->generation) {
            const ClipboardKeeper::Save save = it->save;
            it = m_saves.erase(it);
            answerSave(save, r);
        } else {
            ++it;
        }
    }
    if (!r.change)
        return; // a look of our own
    if (m_putBackShown && r.owner != 0 && r.owner == m_ownWindow) {
        m_restored.reset(); // the notice of "no owner" that came before it, seen late
        return;
    }
    if (r.owner == 0 && m_keeper && m_keeper->connected()) {
        if (m_restored && m_restoredAge.elapsed() < kWordMs) {
            const bool restored = *m_restored;
            m_restored.reset();
            if (!restored)
                accept(r);
            return;
        }
        releaseHeld();
        m_held = r;
        m_holdTimer.start(kHoldMs);
        return;
    }
    releaseHeld();
    accept(r);
}

void X11Clipboard::releaseHeld()
{
    m_holdTimer.stop();
    if (auto held = std::exchange(m_held, std::nullopt))
        accept(*held);
}

void X11Clipboard::accept(const ChangeContent &r)
{
    ++m_writes;
    m_putBackShown = false;
    m_kept.keep(r, r.owner);
    if (r.refused)
        emit pictureRefused(r.refused->size, r.refused->bytes);
    // The program's own copy: the picture it holds already, not a second one.
    // Should a newer copy have been made meanwhile, its change follows.
    // Else kept as the bytes it came as, with the pixels decoded for the capture at hand.
    deliver(r.text, !r.ownMark.isEmpty() ? ownPicture(r.ownMark)
                    : r.image.isNull()   ? StoredPicture()
                                         : StoredPicture::encoded(r.imageBytes, r.imageType, r.image));
}

void X11Clipboard::ownerGone(bool ended, bool manager, quint32 owner)
{
    // Only an owner that ended, only what was read from it (not an older
    // content while its own is still being read), and only while no other
    // manager keeps the clipboard.
    const std::optional<KeptContent> kept = ended && manager ? m_kept.take(owner) : std::nullopt;
    const bool restored = kept.has_value();
    if (restored)
        restore(*kept, nullptr);
    if (m_held) {
        m_holdTimer.stop();
        auto held = std::exchange(m_held, std::nullopt);
        if (!restored)
            accept(*held);
    } else {
        m_restored = restored;
        m_restoredAge.start();
    }
}

void X11Clipboard::answerSave(const ClipboardKeeper::Save &save, const ChangeContent &r)
{
    KeptContent k = KeptContent::of(r);
    if (!save.text)
        k.text.reset();
    if (!save.picture)
        k.picture = StoredPicture();
    if (k.empty()) {
        m_keeper->answer(save.id, false);
        return;
    }
    m_kept.keep(k, r.owner);
    restore(k, [this, id = save.id](bool placed) { m_keeper->answer(id, placed); });
}

void X11Clipboard::restore(const KeptContent &kept, std::function<void(bool)> done)
{
    const auto finish = [done](bool placed) {
        if (done)
            done(placed);
    };
    switch (kept.form()) {
    case KeptContent::Form::Nothing:
        return finish(false);
    case KeptContent::Form::Text: {
        auto *mime = new QMimeData;
        mime->setText(*kept.text);
        place(mime);
        return finish(true);
    }
    case KeptContent::Form::Png:
        place(ImageOffer::mimeData(kept.picture.bytes()));
        return finish(true);
    case KeptContent::Form::EncodedAsPng:
        break;
    }
    // Encoded away from the window thread; a change meanwhile wins.
    const unsigned writes = m_writes;
    m_encoder.start([this, picture = kept.picture, writes, finish] {
        static const std::atomic<bool> never{false};
        const QByteArray png = ImageOffer::encode(picture.pixels(), never);
        QMetaObject::invokeMethod(
            this,
            [this, png, writes, finish] {
                const bool current = writes == m_writes && !png.isEmpty();
                if (current)
                    place(ImageOffer::mimeData(png));
                finish(current);
            },
            Qt::QueuedConnection);
    });
}

void X11Clipboard::place(QMimeData *mime)
{
    m_placing = true;
    QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard);
    m_placing = false;
    m_putBackShown = true;
    if (xcb_connection_t *c = x11::connection()) {
        x11::Reply<xcb_get_selection_owner_reply_t> r(
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, x11::atom("CLIPBOARD")), nullptr));
        m_ownWindow = r ? r->owner : 0;
    }
    qCInfo(lcClipboard) << "the last clipboard content is back on the clipboard";
    emit putBack();
}

void X11Clipboard::SetText(const QString &text)
{
    ++m_writes;
    m_putBackShown = false;
    ClipboardWriter::SetText(text);
}

void X11Clipboard::SetData(const QImage &image)
{
    ++m_writes;
    m_putBackShown = false;
    ClipboardWriter::SetData(image);
}

void X11Clipboard::SetPicture(const StoredPicture &picture)
{
    ++m_writes;
    m_putBackShown = false;
    ClipboardWriter::SetPicture(picture);
}

void X11Clipboard::Clear()
{
    ++m_writes;
    m_putBackShown = false;
    ClipboardWriter::Clear();
}

void X11Clipboard::keepAfterEnd()
{
    if (!m_keeper || !QGuiApplication::clipboard()->ownsClipboard())
        return;
    QEventLoop loop;
    std::optional<bool> answer;
    m_handedOver = [&](bool kept) {
        answer = kept;
        loop.quit();
    };
    m_keeper->handOver();
    // The other manager reads the content from us: the window thread serves it meanwhile.
    QTimer::singleShot(kHandOverMs, &loop, &QEventLoop::quit);
    if (!answer)
        loop.exec();
    m_handedOver = nullptr;
    if (!answer) {
        // Left as it is, the toolkit would ask the silent manager again at its own end, and wait longer.
        qCWarning(lcClipboard) << "the clipboard manager did not answer within" << kHandOverMs << "ms";
        QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
    } else if (*answer) {
        qCInfo(lcClipboard) << "the clipboard is left with the running clipboard manager";
    }
}
