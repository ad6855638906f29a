#include "selectionfetcher.h"

#include <QBuffer>
#include <QImageReader>

#include <xcb/xcb.h>

#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>

namespace {

using Clock = std::chrono::steady_clock;

template <class T> struct Freed {
    T *p;
    explicit Freed(T *ptr) : p(ptr) {}
    ~Freed() { std::free(p); }
    Freed(const Freed &) = delete;
    Freed &operator=(const Freed &) = delete;
    T *operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

} // namespace

struct SelectionFetcher::X {
    xcb_connection_t *c = nullptr;
    xcb_window_t window = 0;
    std::map<QByteArray, xcb_atom_t> atoms;
    std::chrono::milliseconds patience{1000};

    ~X()
    {
        if (c)
            xcb_disconnect(c);
    }

    xcb_atom_t atom(const QByteArray &name)
    {
        auto it = atoms.find(name);
        if (it != atoms.end())
            return it->second;
        Freed<xcb_intern_atom_reply_t> r(xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.constData()), nullptr));
        const xcb_atom_t a = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        atoms.emplace(name, a);
        return a;
    }

    bool open()
    {
        c = xcb_connect(nullptr, nullptr);
        if (!c || xcb_connection_has_error(c))
            return false;
        const xcb_screen_t *s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        if (!s)
            return false;
        window = xcb_generate_id(c);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, s->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, s->root_visual, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
        return !xcb_connection_has_error(c);
    }

    // The next event that `match` accepts, or null when the deadline passes.
    xcb_generic_event_t *waitFor(const std::function<bool(xcb_generic_event_t *)> &match,
                                 Clock::time_point deadline)
    {
        for (;;) {
            while (xcb_generic_event_t *e = xcb_poll_for_event(c)) {
                if (match(e))
                    return e;
                std::free(e);
            }
            if (xcb_connection_has_error(c))
                return nullptr;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return nullptr;
            pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(std::min<long long>(left, 100)));
        }
    }

    // Reads (and deletes) our property; `incr` is set when the owner starts
    // an incremental transfer.
    std::optional<QByteArray> readProperty(xcb_atom_t prop, qsizetype maxBytes, xcb_atom_t *type)
    {
        Freed<xcb_get_property_reply_t> r(xcb_get_property_reply(
            c, xcb_get_property(c, 1, window, prop, XCB_GET_PROPERTY_TYPE_ANY, 0,
                                static_cast<uint32_t>(maxBytes / 4 + 1)),
            nullptr));
        if (!r)
            return std::nullopt;
        if (type)
            *type = r->type;
        const int len = xcb_get_property_value_length(r.p);
        const auto *v = static_cast<const char *>(xcb_get_property_value(r.p));
        QByteArray bytes(v, std::min<qsizetype>(len, maxBytes));
        if (r->bytes_after > 0)
            xcb_delete_property(c, window, prop);
        return bytes;
    }

    // One conversion of the CLIPBOARD selection to `target`; nothing when the
    // owner refuses, does not answer in time, or there is no owner.
    // An incremental transfer that goes on making progress gets more time.
    std::optional<QByteArray> convert(xcb_atom_t target, qsizetype maxBytes, Clock::time_point &deadline,
                                      xcb_atom_t *type = nullptr)
    {
        const xcb_atom_t prop = atom("MERKOLO_SELECTION");
        xcb_delete_property(c, window, prop);
        xcb_convert_selection(c, window, atom("CLIPBOARD"), target, prop, XCB_CURRENT_TIME);
        xcb_flush(c);
        xcb_generic_event_t *e = waitFor(
            [this](xcb_generic_event_t *ev) {
                return (ev->response_type & 0x7f) == XCB_SELECTION_NOTIFY
                    && reinterpret_cast<xcb_selection_notify_event_t *>(ev)->requestor == window;
            },
            deadline);
        if (!e)
            return std::nullopt;
        const xcb_atom_t property = reinterpret_cast<xcb_selection_notify_event_t *>(e)->property;
        std::free(e);
        if (property == XCB_NONE)
            return std::nullopt;

        xcb_atom_t got = XCB_NONE;
        std::optional<QByteArray> first = readProperty(prop, maxBytes, &got);
        if (!first)
            return std::nullopt;
        if (got != atom("INCR")) {
            if (type)
                *type = got;
            return first;
        }
        // Incremental transfer: each new value of the property is a chunk; an empty one ends it.
        QByteArray all;
        for (;;) {
            xcb_flush(c);
            xcb_generic_event_t *n = waitFor(
                [this, prop](xcb_generic_event_t *ev) {
                    if ((ev->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                        return false;
                    auto *p = reinterpret_cast<xcb_property_notify_event_t *>(ev);
                    return p->window == window && p->atom == prop && p->state == XCB_PROPERTY_NEW_VALUE;
                },
                deadline);
            if (!n)
                return std::nullopt;
            std::free(n);
            xcb_atom_t chunkType = XCB_NONE;
            std::optional<QByteArray> chunk = readProperty(prop, 16 * 1024 * 1024, &chunkType);
            if (!chunk)
                return std::nullopt;
            if (chunk->isEmpty())
                break;
            deadline = std::max(deadline, Clock::now() + patience);
            if (type)
                *type = chunkType;
            if (all.size() < maxBytes)
                all += chunk->left(maxBytes - all.size());
        }
        return all;
    }

    QByteArray atomName(xcb_atom_t a)
    {
        for (const auto &[name, value] : atoms) {
            if (value == a)
                return name;
        }
        return {};
    }
};

SelectionFetcher::SelectionFetcher(QByteArrayList imageTypes, int deadlineMs, Done done)
    : m_x(std::make_unique<X>())
    , m_imageTypes(std::move(imageTypes))
    , m_deadlineMs(deadlineMs)
    , m_done(std::move(done))
{
    m_connected = m_x->open();
    if (m_connected) {
        // Atoms are interned once, here, so that the worker only converts.
        for (const char *name : {"CLIPBOARD", "TARGETS", "INCR", "MERKOLO_SELECTION", "UTF8_STRING",
                                 "text/plain;charset=utf-8", "STRING", "TEXT", "text/plain"})
            m_x->atom(name);
        for (const QByteArray &t : m_imageTypes)
            m_x->atom(t);
        m_thread = std::thread([this] { run(); });
    }
}

SelectionFetcher::~SelectionFetcher()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void SelectionFetcher::request()
{
    {
        std::lock_guard lock(m_mutex);
        ++m_pending;
    }
    m_wake.notify_one();
}

void SelectionFetcher::run()
{
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || m_pending > 0; });
            if (m_stop)
                return;
            --m_pending;
        }
        const Result r = fetch();
        {
            std::lock_guard lock(m_mutex);
            if (m_stop)
                return;
        }
        m_done(r);
    }
}

SelectionFetcher::Result SelectionFetcher::fetch()
{
    Result result;
    X &x = *m_x;
    x.patience = std::chrono::milliseconds(m_deadlineMs);
    auto deadline = Clock::now() + x.patience;
    const std::optional<QByteArray> targets = x.convert(x.atom("TARGETS"), 64 * 1024, deadline);
    if (!targets)
        return result;
    std::vector<xcb_atom_t> offered(static_cast<size_t>(targets->size()) / sizeof(xcb_atom_t));
    std::memcpy(offered.data(), targets->constData(), offered.size() * sizeof(xcb_atom_t));
    auto offers = [&](const char *name) {
        const xcb_atom_t a = x.atom(name);
        return a != XCB_ATOM_NONE && std::find(offered.begin(), offered.end(), a) != offered.end();
    };

    for (const char *name : {"UTF8_STRING", "text/plain;charset=utf-8", "STRING", "TEXT", "text/plain"}) {
        if (!offers(name))
            continue;
        xcb_atom_t type = XCB_NONE;
        const auto bytes = x.convert(x.atom(name), kMaxTextBytes, deadline, &type);
        if (!bytes)
            continue;
        const bool utf8 = type == x.atom("UTF8_STRING") || type == x.atom("text/plain;charset=utf-8")
            || std::strcmp(name, "UTF8_STRING") == 0 || std::strcmp(name, "text/plain;charset=utf-8") == 0;
        result.text = utf8 ? QString::fromUtf8(*bytes) : QString::fromLatin1(*bytes);
        break;
    }

    for (const QByteArray &mime : m_imageTypes) {
        if (!offers(mime.constData()))
            continue;
        const auto bytes = x.convert(x.atom(mime), kMaxImageBytes, deadline);
        if (!bytes || bytes->isEmpty())
            continue;
        QBuffer buffer;
        buffer.setData(*bytes);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer);
        QImage image = reader.read(); // refuses images beyond the reader's allocation limit
        if (!image.isNull() && image.width() > 0 && image.height() > 0) {
            result.image = std::move(image);
            break;
        }
    }
    return result;
}
