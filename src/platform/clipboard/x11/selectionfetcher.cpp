#include "platform/clipboard/x11/selectionfetcher.h"

#include "platform/clipboard/clipboardtypes.h"
#include "platform/clipboard/imageoffer.h"
#include "platform/services/log.h"
#include "platform/services/x11connection.h"


#include <xcb/xcb.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

template <class T> using Freed = x11::Reply<T>;

// Empties the wake-up counter.
void drain(int fd)
{
    uint64_t n = 0;
    while (::read(fd, &n, sizeof n) == sizeof n) {
    }
}

} // namespace

struct SelectionFetcher::X {
    xcb_connection_t *c = nullptr;
    xcb_window_t root = 0;
    xcb_visualid_t visual = 0;
    std::optional<x11::Atoms> atoms;

    ~X()
    {
        if (c)
            xcb_disconnect(c);
    }

    xcb_atom_t atom(const QByteArray &name) { return (*atoms)(name); }

    // The window that owns the CLIPBOARD selection now (the server answers, never the owner).
    xcb_window_t owner()
    {
        Freed<xcb_get_selection_owner_reply_t> r(
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom("CLIPBOARD")), nullptr));
        return r ? r->owner : XCB_NONE;
    }

    bool open()
    {
        c = xcb_connect(nullptr, nullptr);
        if (!c || xcb_connection_has_error(c))
            return false;
        const xcb_screen_t *s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        if (!s)
            return false;
        root = s->root;
        visual = s->root_visual;
        atoms.emplace(c);
        return true;
    }
};

namespace {

// One fetch: a requestor window of its own, so that a late answer to an
// earlier fetch (an owner that wakes up after we gave up, or goes on
// sending chunks) can never be taken for an answer to this one.
class Transfer
{
public:
    Transfer(SelectionFetcher::X &x, int wakeFd, const std::atomic<bool> &stop, std::function<bool()> overtaken,
             SelectionFetcher::Limits limits)
        : m_x(x)
        , m_wake(wakeFd)
        , m_stop(stop)
        , m_overtaken(std::move(overtaken))
        , m_limits(limits)
        , m_patience(limits.patienceMs)
        , m_end(Clock::now() + std::chrono::milliseconds(limits.overallMs))
    {
        openWindow();
    }
    ~Transfer() { closeWindow(); }

    bool givenUp() const { return m_givenUp; }
    // Given up because another owner took the clipboard meanwhile.
    bool overtaken() const { return m_lostClipboard; }
    // The format (8, 16, 32) of the last answer read.
    int format() const { return m_format; }

    // One conversion of the CLIPBOARD selection to the target `name`;
    // nothing when the owner refuses, is too slow, or a newer change came.
    // `cut` tells that the content was longer than `maxBytes` and only its
    // start is here.
    std::optional<QByteArray> convert(const QByteArray &name, qsizetype maxBytes, xcb_atom_t *type, bool *cut)
    {
        xcb_connection_t *c = m_x.c;
        const xcb_atom_t target = m_x.atom(name);
        m_asking = name;
        const xcb_atom_t prop = m_x.atom("MERKOLO_SELECTION");
        xcb_delete_property(c, m_window, prop);
        xcb_convert_selection(c, m_window, m_x.atom("CLIPBOARD"), target, prop, XCB_CURRENT_TIME);
        xcb_flush(c);
        xcb_generic_event_t *e = waitFor([this, target](xcb_generic_event_t *ev) {
            if ((ev->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
                return false;
            auto *n = reinterpret_cast<xcb_selection_notify_event_t *>(ev);
            return n->requestor == m_window && n->target == target;
        });
        if (!e)
            return std::nullopt;
        const xcb_atom_t property = reinterpret_cast<xcb_selection_notify_event_t *>(e)->property;
        std::free(e);
        if (property == XCB_NONE) {
            qCDebug(lcClipboard) << "conversion to" << name << "refused (no owner, or none of that type)";
            return std::nullopt;
        }

        xcb_atom_t got = XCB_NONE;
        std::optional<QByteArray> first = readProperty(prop, maxBytes, &got, cut);
        if (!first || got != m_x.atom("INCR")) {
            if (type)
                *type = got;
            return first;
        }
        // Incremental transfer: each new value of the property is a chunk; an empty one ends it.
        QByteArray all;
        for (;;) {
            xcb_generic_event_t *n = waitFor([this, prop](xcb_generic_event_t *ev) {
                if ((ev->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                    return false;
                auto *p = reinterpret_cast<xcb_property_notify_event_t *>(ev);
                return p->window == m_window && p->atom == prop && p->state == XCB_PROPERTY_NEW_VALUE;
            });
            if (!n)
                return std::nullopt;
            std::free(n);
            xcb_atom_t chunkType = XCB_NONE;
            bool chunkCut = false;
            std::optional<QByteArray> chunk = readProperty(prop, 16 * 1024 * 1024, &chunkType, &chunkCut);
            if (!chunk || chunkCut) {
                abandonIncremental();
                return std::nullopt;
            }
            if (chunk->isEmpty())
                break;
            if (type)
                *type = chunkType;
            all += chunk->left(maxBytes - all.size());
            if (all.size() >= maxBytes) {
                // The rest is not wanted.
                *cut = true;
                abandonIncremental();
                break;
            }
        }
        return all;
    }

private:
    void openWindow()
    {
        m_window = xcb_generate_id(m_x.c);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_x.c, XCB_COPY_FROM_PARENT, m_window, m_x.root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, m_x.visual, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_x.c);
    }
    void closeWindow()
    {
        xcb_destroy_window(m_x.c, m_window);
        xcb_flush(m_x.c);
        // Events of this window still queued are of no use to any later request.
        while (xcb_generic_event_t *e = xcb_poll_for_event(m_x.c))
            std::free(e);
    }
    // An incremental transfer left before its end: its owner goes on writing
    // chunks into our property each time that property is deleted, so the
    // next type is asked for from a new window, where no old chunk can be
    // taken for its answer.
    void abandonIncremental()
    {
        closeWindow();
        openWindow();
    }

    // The next event that `match` accepts; null when the owner took too
    // long, the overall limit passed or a newer change came.
    xcb_generic_event_t *waitFor(const std::function<bool(xcb_generic_event_t *)> &match)
    {
        xcb_connection_t *c = m_x.c;
        const auto deadline = std::min(Clock::now() + m_patience, m_end);
        for (;;) {
            while (xcb_generic_event_t *e = xcb_poll_for_event(c)) {
                if (match(e))
                    return e;
                std::free(e);
            }
            if (m_stop)
                return giveUp(Why::Stopped);
            if (xcb_connection_has_error(c))
                return giveUp(Why::Broken);
            if (m_overtaken())
                return giveUp(Why::Overtaken);
            // The owner asked for meanwhile: events that came with its reply
            // are queued already, and the connection would not wake us for them.
            while (xcb_generic_event_t *e = xcb_poll_for_queued_event(c)) {
                if (match(e))
                    return e;
                std::free(e);
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return giveUp(deadline == m_end ? Why::Overall : Why::Silent);
            pollfd p[2] = {{xcb_get_file_descriptor(c), POLLIN, 0}, {m_wake, POLLIN, 0}};
            ::poll(p, 2, static_cast<int>(left));
            if (p[1].revents & POLLIN)
                drain(m_wake);
        }
    }

    using Why = GiveUp;

    xcb_generic_event_t *giveUp(Why why)
    {
        m_givenUp = true;
        m_lostClipboard = m_lostClipboard || why == Why::Overtaken;
        logGiveUp(why, m_asking, "the X server", m_limits.patienceMs, m_limits.overallMs);
        return nullptr;
    }

    // Reads (and deletes) our property; at most `maxBytes` of it.
    std::optional<QByteArray> readProperty(xcb_atom_t prop, qsizetype maxBytes, xcb_atom_t *type, bool *cut)
    {
        xcb_connection_t *c = m_x.c;
        Freed<xcb_get_property_reply_t> r(xcb_get_property_reply(
            c, xcb_get_property(c, 1, m_window, prop, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                static_cast<uint32_t>(maxBytes / 4 + 1)),
            nullptr));
        if (!r)
            return std::nullopt;
        if (type)
            *type = r->type;
        m_format = r->format;
        const int len = xcb_get_property_value_length(r.get());
        const auto *v = static_cast<const char *>(xcb_get_property_value(r.get()));
        QByteArray bytes(v, std::min<qsizetype>(len, maxBytes));
        if (r->bytes_after > 0 || len > maxBytes) {
            *cut = true;
            xcb_delete_property(c, m_window, prop);
        }
        return bytes;
    }

    SelectionFetcher::X &m_x;
    int m_wake;
    const std::atomic<bool> &m_stop;
    std::function<bool()> m_overtaken;
    SelectionFetcher::Limits m_limits;
    QByteArray m_asking; // the target being converted, for the log
    std::chrono::milliseconds m_patience;
    Clock::time_point m_end;
    xcb_window_t m_window = 0;
    int m_format = 8;
    bool m_givenUp = false;
    bool m_lostClipboard = false;
};

} // namespace

SelectionFetcher::SelectionFetcher(QByteArrayList imageTypes, Limits limits, Done done)
    : m_x(std::make_unique<X>())
    , m_imageTypes(std::move(imageTypes))
    , m_limits(limits)
    , m_done(std::move(done))
{
    ClipboardLimits::allowPictureDecoding();
    if (xcb_connection_t *toolkit = x11::connection()) {
        const xcb_setup_t *setup = xcb_get_setup(toolkit);
        m_ownBase = setup->resource_id_base;
        m_ownMask = setup->resource_id_mask;
    }

    m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    m_connected = m_wake >= 0 && m_x->open();
    if (m_connected) {
        // Atoms are interned once, here, all in one wait, so that the worker only converts.
        QByteArrayList names = {"CLIPBOARD", "TARGETS", "INCR", "MERKOLO_SELECTION", ImageOffer::kMarkTarget};
        for (const TextType &t : kTextTypes)
            names << t.name;
        m_x->atoms->prefetch(names + m_imageTypes);
        m_thread = std::thread([this] { run(); });
    }
}

SelectionFetcher::~SelectionFetcher()
{
    m_stop = true;
    if (m_wake >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const auto n = ::write(m_wake, &one, sizeof one);
    }
    if (m_thread.joinable())
        m_thread.join();
    if (m_wake >= 0)
        ::close(m_wake);
}

unsigned SelectionFetcher::request(bool change)
{
    unsigned number = 0;
    {
        // The number and whether it is a change are seen together by the
        // worker: read between the two, a change would be served as a look
        // of our own and never stored.
        const std::lock_guard lock(m_saveMutex);
        number = ++m_requested;
        if (change)
            m_changeRequested = number;
    }
    const uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(m_wake, &one, sizeof one);
    return number;
}

unsigned SelectionFetcher::requestSave(const QByteArrayList &listed)
{
    {
        const std::lock_guard lock(m_saveMutex);
        m_saveList = listed;
        m_saveRequested = m_requested.load() + 1;
    }
    return request(false);
}

void SelectionFetcher::run()
{
    for (;;) {
        // Asleep until a request or the end: no wake-ups while nothing happens.
        while (!m_stop && m_requested.load() == m_served) {
            pollfd p{m_wake, POLLIN, 0};
            ::poll(&p, 1, -1);
            drain(m_wake);
        }
        if (m_stop)
            return;
        // Requests made meanwhile are all about what the clipboard holds now: one fetch serves them.
        unsigned generation = 0;
        bool change = false;
        std::optional<QByteArrayList> save;
        {
            const std::lock_guard lock(m_saveMutex);
            generation = m_requested.load();
            change = m_changeRequested.load() > m_served;
            if (m_saveRequested > m_served && m_saveRequested <= generation)
                save = m_saveList;
        }
        m_served = generation;
        Result r = fetch(generation, save);
        r.generation = generation;
        r.change = change;
        if (m_stop)
            return;
        m_done(r);
    }
}

bool SelectionFetcher::ownWindow(quint32 window) const
{
    return window != 0 && m_ownMask != 0 && (window & ~m_ownMask) == m_ownBase;
}

SelectionFetcher::Result SelectionFetcher::fetch(unsigned generation, const std::optional<QByteArrayList> &save)
{
    Result result;
    X &x = *m_x;
    // A later notice of a change gives the fetch up only when another owner
    // has taken the clipboard: a repeated notice of the same change, or new
    // content from the same owner, is fetched once this fetch is done.
    xcb_window_t owner = x.owner();
    result.owner = owner;
    unsigned checked = generation;
    auto overtaken = [&] {
        const unsigned now = m_requested.load();
        if (now == checked)
            return false;
        checked = now;
        return x.owner() != owner;
    };
    Transfer t(x, m_wake, m_stop, overtaken, m_limits);
    bool cut = false;
    const std::optional<QByteArray> targets = t.convert("TARGETS", 64 * 1024, nullptr, &cut);
    if (!targets)
        return result;
    // Found without an owner, yet answered: an owner came in between, and
    // this is its offer; should it end right after, its content is kept.
    if (owner == XCB_NONE)
        owner = x.owner();
    std::vector<xcb_atom_t> offered(static_cast<size_t>(targets->size()) / sizeof(xcb_atom_t));
    std::memcpy(offered.data(), targets->constData(), offered.size() * sizeof(xcb_atom_t));

    // The selection's targets, asked for by name, answered with their type and format.
    struct Selection : OfferTransfer {
        Transfer &t;
        X &x;
        Selection(Transfer &t, X &x) : t(t), x(x) {}
        std::optional<QByteArray> read(const QByteArray &type, qsizetype maxBytes, bool *cut, Answer *answer) override
        {
            xcb_atom_t answered = XCB_NONE;
            auto bytes = t.convert(type, maxBytes, &answered, cut);
            if (answer && bytes) {
                answer->type = answered == x.atom(type) ? type : x.atoms->namesOf({answered}).value(0);
                answer->format = t.format();
            }
            return bytes;
        }
        bool givenUp() const override { return t.givenUp(); }
    } selection(t, x);
    const QByteArrayList names = x.atoms->namesOf(offered);
    // The own mark counts only from our own window; a marked text is fingerprinted.
    result = readOffer(names, selection, m_imageTypes, m_limits, ownWindow(owner), true);
    if (save) {
        // An owner too slow with all its types still has its text and
        // picture kept; one that lost the clipboard meanwhile has nothing.
        result.savedTargets = readKeptTargets(names, *save, selection);
        if (t.overtaken())
            result = Result();
    }
    result.owner = owner;
    return result;
}
