#include "platform/clipboard/x11/x11clipboard.h"

#include "platform/clipboard/clipboardtypes.h"
#include "platform/clipboard/imageoffer.h"
#include "platform/services/log.h"
#include "platform/services/x11connection.h"

#include <QAbstractNativeEventFilter>
#include <QClipboard>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMimeData>

#include <xcb/xcb.h>

namespace {

// Calls `seen` for each request another program makes of the window thread's
// X connection (a conversion of our selection, a property it has read).
class SignsOfLife : public QAbstractNativeEventFilter
{
public:
    explicit SignsOfLife(std::function<void()> seen)
        : m_seen(std::move(seen))
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~SignsOfLife() override { QCoreApplication::instance()->removeNativeEventFilter(this); }
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type == "xcb_generic_event_t") {
            const uint8_t kind = static_cast<xcb_generic_event_t *>(message)->response_type & 0x7f;
            if (kind == XCB_SELECTION_REQUEST || kind == XCB_PROPERTY_NOTIFY)
                m_seen();
        }
        return false;
    }

private:
    std::function<void()> m_seen;
};

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
    m_lastTimer.setSingleShot(true);
    connect(&m_lastTimer, &QTimer::timeout, this, [this] { m_last.reset(); }); // its bytes are not held longer
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
            this, [this, save] { m_saves.push_back({save, m_fetcher->requestSave(save.listed)}); },
            Qt::QueuedConnection);
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
    const bool first = std::exchange(m_first, false);
    // Our own content as fetched for a request made before our latest copy:
    // that copy's own change follows.
    if (r.generation <= m_writeRequests && m_fetcher->ownWindow(r.owner)) {
        noteChange(r, "skipped: our own content fetched before our latest copy");
        return;
    }
    // The keeper's word on an owner whose content was still on its way:
    // this is that content (taken first, then the word), or the clipboard
    // without it (the word first).
    if (const std::optional<Gone> gone = std::exchange(m_pendingGone, std::nullopt)) {
        if (r.owner == gone->owner) {
            accept(r);
            ownerGone(gone->ended, gone->manager, gone->owner);
            return;
        }
        ownerGone(gone->ended, gone->manager, gone->owner);
    }
    if (m_putBackShown && r.owner != 0 && r.owner == m_ownWindow) {
        noteChange(r, "skipped: the program's own put-back");
        return;
    }
    // An empty clipboard is the keeper's to tell (ownerGone): its notice
    // comes for each owner that goes, in the server's order, and says how it
    // went. What a fetch found, before or after that notice, changes nothing;
    // only the clipboard as found at the start is taken from the fetch.
    if (r.owner == 0 && !first && m_keeper && m_keeper->connected()) {
        noteChange(r, "skipped: an empty clipboard is the keeper's word on its owner");
        return;
    }
    accept(r);
}

void X11Clipboard::noteChange(const ChangeContent &r, const char *outcome)
{
    // One line for each change: what it brought and what became of it.
    qCInfo(lcClipboard).noquote() << QStringLiteral("change %1 from owner 0x%2: %3; %4")
                                         .arg(r.generation)
                                         .arg(r.owner, 0, 16)
                                         .arg(describeChange(r), QLatin1String(outcome));
}

void X11Clipboard::accept(const ChangeContent &r)
{
    // The same content from the same owner again at once is the same copy
    // announced twice (GNOME's bridge does so for Wayland programs): one
    // copy, one entry, one slot. A copy made again a moment later counts.
    if (m_last && r.owner != 0 && r.owner == m_last->owner && sameContent(r, *m_last)) {
        noteChange(r, "skipped: the same copy announced again by its owner is no new copy");
        return;
    }
    // An empty clipboard emptied again is no change.
    const bool empty = !r.text && r.image.isNull() && r.ownMark.isEmpty() && !r.refused;
    if (empty && r.owner == 0 && std::exchange(m_emptyShown, true)) {
        noteChange(r, "skipped: the clipboard was empty already");
        return;
    }
    noteChange(r, r.givenUp ? "skipped, nothing of it kept" : "passed on to the capture");
    m_emptyShown = empty && r.owner == 0;
    m_acceptedOwner = r.owner;
    m_last = r;
    m_lastTimer.start(kRepeatMs);
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
    // An owner that went before its content arrived: the fetch of its change
    // still comes (its content, or the clipboard found empty), and decides.
    if (ended && owner != 0 && owner != m_acceptedOwner && !m_pendingGone) {
        m_pendingGone = Gone{ended, manager, owner};
        return;
    }
    // Only an owner that ended, and only what was read from it (not an older
    // content while its own is still being read).
    const std::optional<KeptContent> kept = ended ? m_kept.take(owner) : std::nullopt;
    // Taken again meanwhile: the newer owner's change follows (or has come), and nothing goes back over it.
    if (clipboardOwner() != 0)
        return;
    if (kept && manager) {
        restore(*kept, nullptr); // no change
        return;
    }
    accept(ChangeContent());
    // Beside another clipboard manager, that manager answers first; what it
    // leaves empty goes back a moment later, once.
    if (kept)
        QTimer::singleShot(kOtherManagerMs, this, [this, content = *kept, writes = m_writes] {
            // Only while nothing has been written since and the clipboard is still empty.
            if (writes != m_writes || clipboardOwner() != 0)
                return;
            qCInfo(lcClipboard) << "the other clipboard manager left the clipboard empty";
            restore(content, nullptr);
        });
}

quint32 X11Clipboard::clipboardOwner()
{
    xcb_connection_t *c = x11::connection();
    if (!c)
        return 0;
    x11::Reply<xcb_get_selection_owner_reply_t> r(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, x11::atom("CLIPBOARD")), nullptr));
    return r ? r->owner : 0;
}

void X11Clipboard::answerSave(const ClipboardKeeper::Save &save, const ChangeContent &r)
{
    KeptContent k = KeptContent::of(r);
    if (!save.text)
        k.text.reset();
    if (!save.picture)
        k.picture = StoredPicture();
    if (!r.savedTargets.empty()) {
        // Every type it asked us to keep, exactly as it came (rich text, its
        // own types): the keeper takes the clipboard and serves them.
        m_kept.forget();
        m_putBackShown = true;
        m_ownWindow = m_keeper->window();
        m_keeper->serve(r.savedTargets, save.id);
        emit putBack();
        return;
    }
    if (k.empty()) {
        m_keeper->answer(save.id, false);
        return;
    }
    m_kept.keep(k, r.owner);
    restore(k, [this, id = save.id](bool placed) { m_keeper->answer(id, placed); });
}

void X11Clipboard::restore(const KeptContent &kept, std::function<void(bool)> done)
{
    // A text goes back as the program copies one; a picture as the image
    // store's copy offers it: its own bytes, PNG and BMP.
    const bool placed = kept.form() != KeptContent::Form::Nothing;
    if (kept.form() == KeptContent::Form::Text) {
        auto *mime = new QMimeData;
        mime->setText(*kept.text);
        place([mime] { QGuiApplication::clipboard()->setMimeData(mime, QClipboard::Clipboard); });
    } else if (placed) {
        place([this, &kept] { ClipboardWriter::SetPicture(kept.picture); });
    }
    if (done)
        done(placed);
}

void X11Clipboard::place(const std::function<void()> &set)
{
    m_placing = true;
    set();
    m_placing = false;
    m_putBackShown = true;
    m_emptyShown = false;
    m_ownWindow = clipboardOwner();
    qCInfo(lcClipboard) << "the last clipboard content is back on the clipboard";
    emit putBack();
}

void X11Clipboard::SetText(const QString &text)
{
    ownWrite();
    ClipboardWriter::SetText(text);
    m_fetcher->request(); // its change, fetched after any look asked before it
}

void X11Clipboard::SetData(const QImage &image)
{
    ownWrite();
    ClipboardWriter::SetData(image);
}

void X11Clipboard::SetPicture(const StoredPicture &picture)
{
    ownWrite();
    ClipboardWriter::SetPicture(picture);
    m_fetcher->request();
}

void X11Clipboard::Clear()
{
    ownWrite();
    ClipboardWriter::Clear();
}

void X11Clipboard::ownWrite()
{
    // Our copies are changes of their own, each counted, however alike.
    ++m_writes;
    m_writeRequests = m_fetcher->requested();
    m_putBackShown = false;
    m_emptyShown = false;
    m_last.reset();
}

void X11Clipboard::keepAfterEnd()
{
    if (!m_keeper || !(QGuiApplication::clipboard()->ownsClipboard() || m_keeper->serving()))
        return;
    QEventLoop loop;
    std::optional<bool> answer;
    m_handedOver = [&](bool kept) {
        answer = kept;
        loop.quit();
    };
    // The other manager reads the content from us, the window thread serving
    // it meanwhile: each request it makes is a sign that it is still at work.
    QElapsedTimer since, all;
    since.start();
    all.start();
    SignsOfLife signs([&since] { since.restart(); });
    QTimer check;
    unsigned served = m_keeper->served(); // what the keeper serves is asked for there
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (m_keeper->served() != served) {
            served = m_keeper->served();
            since.restart();
        }
        if (since.elapsed() >= kHandOverPatienceMs || all.elapsed() >= kHandOverMs)
            loop.quit();
    });
    check.start(20);
    m_keeper->handOver();
    if (!answer)
        loop.exec();
    m_handedOver = nullptr;
    if (!answer) {
        // Left as it is, the toolkit would ask the silent manager again at its own end, and wait longer.
        qCWarning(lcClipboard) << "the clipboard manager did not answer: silent for" << since.elapsed() << "ms after"
                               << all.elapsed() << "ms";
        QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
    } else if (*answer) {
        qCInfo(lcClipboard) << "the clipboard is left with the running clipboard manager after" << all.elapsed()
                            << "ms";
    }
}
