#include "platform/clipboard/x11/clipboardkeeper.h"

#include "platform/clipboard/clipboardtypes.h"
#include "platform/services/log.h"
#include "platform/services/x11connection.h"

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <utility>

namespace {

void wake(int fd)
{
    const uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(fd, &one, sizeof one);
}

} // namespace

struct ClipboardKeeper::X {
    xcb_connection_t *c = nullptr;
    xcb_window_t root = 0;
    xcb_window_t window = 0;
    uint8_t xfixesEvent = 0;
    quint32 time = XCB_CURRENT_TIME; // the latest server time seen
    quint32 since = XCB_CURRENT_TIME; // when we took the manager role
    xcb_window_t clipboardOwner = XCB_NONE;
    std::optional<x11::Atoms> atoms;
    // SAVE_TARGETS requests waiting for their answer, by number.
    std::map<unsigned, xcb_selection_request_event_t> saves;
    unsigned lastSave = 0;
    // What an owner that quit left with us, while we own the clipboard.
    std::shared_ptr<const std::vector<KeptTarget>> served;
    quint32 servedSince = XCB_CURRENT_TIME;
    // Incremental transfers of it in progress: the requestor deletes each
    // chunk, then the next one goes. Each holds the content it sends, so a
    // transfer whose reader went away must not stay.
    using Clock = std::chrono::steady_clock;
    struct Incremental {
        xcb_window_t requestor;
        xcb_atom_t property;
        std::shared_ptr<const std::vector<KeptTarget>> content;
        size_t index;
        qsizetype sent;
        Clock::time_point lastStep; // when the last chunk (or the announcement) was put
    };
    std::vector<Incremental> incremental;
    // Well below the longest request a server must take without BIG-REQUESTS.
    static constexpr qsizetype kChunk = 64 * 1024;
    // A reader that takes no chunk for this long is given up. Longer than
    // the patience with an owner: a reader slowed by a busy machine must
    // not lose what it reads, and the toolkit waits as long for its own.
    static constexpr std::chrono::milliseconds kReaderPatience{5000};

    ~X()
    {
        if (c)
            xcb_disconnect(c);
    }
    xcb_atom_t atom(const QByteArray &name) { return (*atoms)(name); }

    bool open()
    {
        c = xcb_connect(nullptr, nullptr);
        if (!c || xcb_connection_has_error(c))
            return false;
        const xcb_screen_t *s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        const xcb_query_extension_reply_t *fixes = xcb_get_extension_data(c, &xcb_xfixes_id);
        if (!s || !fixes || !fixes->present)
            return false;
        x11::Reply<xcb_xfixes_query_version_reply_t> version(
            xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
        if (!version)
            return false;
        xfixesEvent = fixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
        root = s->root;
        atoms.emplace(c);
        atoms->prefetch(QByteArrayList{"CLIPBOARD", "CLIPBOARD_MANAGER", "SAVE_TARGETS", "TARGETS", "TIMESTAMP",
                                       "MANAGER", "MULTIPLE", "NULL", "MERKOLO_SAVE"} + textTypeNames());
        window = xcb_generate_id(c);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          s->root_visual, XCB_CW_EVENT_MASK, &mask);
        const uint32_t all = XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                             | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                             | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE;
        xcb_xfixes_select_selection_input(c, window, atom("CLIPBOARD"), all);
        xcb_xfixes_select_selection_input(c, window, atom("CLIPBOARD_MANAGER"), all);
        // A manager selection is taken with a real time stamp: an empty
        // append to our own property brings one.
        xcb_change_property(c, XCB_PROP_MODE_APPEND, window, atom("MERKOLO_SAVE"), XCB_ATOM_ATOM, 32, 0, nullptr);
        xcb_flush(c);
        clipboardOwner = owner(atom("CLIPBOARD"));
        return !xcb_connection_has_error(c);
    }

    xcb_window_t owner(xcb_atom_t selection)
    {
        x11::Reply<xcb_get_selection_owner_reply_t> r(
            xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr));
        return r ? r->owner : XCB_NONE;
    }

    void notify(const xcb_selection_request_event_t &req, xcb_atom_t property)
    {
        xcb_selection_notify_event_t n{};
        n.response_type = XCB_SELECTION_NOTIFY;
        n.time = req.time;
        n.requestor = req.requestor;
        n.selection = req.selection;
        n.target = req.target;
        n.property = property;
        xcb_send_event(c, 0, req.requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&n));
        xcb_flush(c);
    }

    // Answers the targets of the manager selection that need no one else
    // (TARGETS, TIMESTAMP) into `property`; false for any other.
    bool answerAtOnce(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property)
    {
        if (target == atom("TARGETS")) {
            const xcb_atom_t offered[] = {atom("TARGETS"), atom("SAVE_TARGETS"), atom("TIMESTAMP"), atom("MULTIPLE")};
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_ATOM, 32, 4, offered);
            return true;
        }
        if (target == atom("TIMESTAMP")) {
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_INTEGER, 32, 1, &since);
            return true;
        }
        return false;
    }

    // Finishes the SAVE_TARGETS request `id`, if it waits: kept, or refused.
    void finishSave(unsigned id, bool saved)
    {
        auto it = saves.find(id);
        if (it == saves.end())
            return;
        const xcb_selection_request_event_t req = it->second;
        saves.erase(it);
        // A side-effect target is answered with an empty property of type NULL.
        const xcb_atom_t property = req.property != XCB_NONE ? req.property : req.target;
        if (saved)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, req.requestor, property, atom("NULL"), 32, 0, nullptr);
        notify(req, saved ? property : XCB_NONE);
        qCInfo(lcClipboard) << (saved ? "clipboard kept for an owner that quits" : "clipboard of a quitting owner not kept");
    }

    // Puts `t` into `property` of `requestor`: at once, or in chunks when large.
    void put(xcb_window_t requestor, xcb_atom_t property, size_t index)
    {
        const KeptTarget &t = (*served)[index];
        if (t.bytes.size() <= kChunk) {
            putPart(requestor, property, t, 0, t.bytes.size());
            return;
        }
        // A transfer into the same property of the same window is over: its
        // reader asks anew, or the window's id now belongs to another reader.
        std::erase_if(incremental, [&](const Incremental &i) { return i.requestor == requestor && i.property == property; });
        // Its deletions bring the next chunk; its destruction ends the transfer.
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, requestor, XCB_CW_EVENT_MASK, &mask);
        const uint32_t size = static_cast<uint32_t>(t.bytes.size());
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, atom("INCR"), 32, 1, &size);
        incremental.push_back({requestor, property, served, index, 0, Clock::now()});
    }
    // No more events of `requestor` once no transfer goes there (never of our own window).
    void unwatch(xcb_window_t requestor)
    {
        const bool busy = std::any_of(incremental.begin(), incremental.end(),
                                      [&](const Incremental &i) { return i.requestor == requestor; });
        if (busy || requestor == window)
            return;
        const uint32_t none = 0;
        xcb_change_window_attributes(c, requestor, XCB_CW_EVENT_MASK, &none);
    }
    // The reader's window was destroyed: its transfers end (a later window
    // with the same id starts afresh).
    void readerGone(xcb_window_t requestor)
    {
        if (std::erase_if(incremental, [&](const Incremental &i) { return i.requestor == requestor; }) > 0)
            qCInfo(lcClipboard) << "a transfer of the kept clipboard ends: its reader's window is gone";
    }
    // Drops the transfers whose reader took nothing for kReaderPatience;
    // returns the milliseconds until the next one may run out (-1: none runs).
    int dropStalled()
    {
        const Clock::time_point now = Clock::now();
        std::vector<xcb_window_t> dropped;
        int next = -1;
        for (auto it = incremental.begin(); it != incremental.end();) {
            const Clock::time_point due = it->lastStep + kReaderPatience;
            if (due <= now) {
                dropped.push_back(it->requestor);
                it = incremental.erase(it);
                continue;
            }
            const int ms = int(std::chrono::ceil<std::chrono::milliseconds>(due - now).count());
            next = next < 0 ? ms : std::min(next, ms);
            ++it;
        }
        for (const xcb_window_t requestor : dropped) {
            qCInfo(lcClipboard) << "a transfer of the kept clipboard ends: its reader took nothing for"
                                << kReaderPatience.count() << "ms";
            unwatch(requestor);
        }
        return next;
    }
    void putPart(xcb_window_t requestor, xcb_atom_t property, const KeptTarget &t, qsizetype from, qsizetype n)
    {
        const int unit = t.format / 8;
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, atom(t.type), t.format,
                            static_cast<uint32_t>(n / unit), t.bytes.constData() + from);
    }
    // The next chunk of the transfer into `property` of `requestor`, whose
    // last chunk was just taken; an empty one ends it.
    void nextChunk(xcb_window_t requestor, xcb_atom_t property)
    {
        for (auto it = incremental.begin(); it != incremental.end(); ++it) {
            if (it->requestor != requestor || it->property != property)
                continue;
            const KeptTarget &t = (*it->content)[it->index];
            const qsizetype n = std::min(kChunk, t.bytes.size() - it->sent);
            putPart(requestor, property, t, it->sent, n);
            it->sent += n;
            it->lastStep = Clock::now();
            if (n == 0) {
                incremental.erase(it);
                unwatch(requestor);
            }
            return;
        }
    }
    // Answers `target` of the clipboard we serve into `property`; false for
    // a type we do not hold.
    bool answerServed(xcb_window_t requestor, xcb_atom_t target, xcb_atom_t property)
    {
        if (target == atom("TARGETS")) {
            std::vector<xcb_atom_t> offered = {atom("TARGETS"), atom("TIMESTAMP"), atom("MULTIPLE")};
            for (const KeptTarget &t : *served)
                offered.push_back(atom(t.target));
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_ATOM, 32,
                                static_cast<uint32_t>(offered.size()), offered.data());
            return true;
        }
        if (target == atom("TIMESTAMP")) {
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, requestor, property, XCB_ATOM_INTEGER, 32, 1, &servedSince);
            return true;
        }
        for (size_t i = 0; i < served->size(); ++i) {
            if (atom((*served)[i].target) == target) {
                put(requestor, property, i);
                return true;
            }
        }
        return false;
    }
    // A MULTIPLE request: pairs of target and property in `property`; each
    // answered by `answer`, or its property replaced by None.
    void answerMultiple(const xcb_selection_request_event_t &req,
                        const std::function<bool(xcb_atom_t target, xcb_atom_t property)> &answer)
    {
        x11::Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
            c, xcb_get_property(c, 0, req.requestor, req.property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024), nullptr));
        if (!r || r->format != 32) {
            notify(req, XCB_NONE);
            return;
        }
        auto *pairs = static_cast<xcb_atom_t *>(xcb_get_property_value(r.get()));
        const int n = xcb_get_property_value_length(r.get()) / 8;
        for (int i = 0; i < n; ++i) {
            if (pairs[2 * i + 1] == XCB_NONE || !answer(pairs[2 * i], pairs[2 * i + 1]))
                pairs[2 * i + 1] = XCB_NONE;
        }
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, req.requestor, req.property, r->type, 32, 2 * n, pairs);
        notify(req, req.property);
    }

    // Which kinds the owner's list in `property` of `requestor` names; both
    // when there is no list (the convention: then all it offers).
    ClipboardKeeper::Save listed(xcb_window_t requestor, xcb_atom_t property)
    {
        ClipboardKeeper::Save save;
        if (property == XCB_NONE)
            return save;
        x11::Reply<xcb_get_property_reply_t> r(xcb_get_property_reply(
            c, xcb_get_property(c, 0, requestor, property, XCB_ATOM_ATOM, 0, 4096), nullptr));
        if (!r || r->type != XCB_ATOM_ATOM || r->format != 32)
            return save;
        const auto *list = static_cast<const xcb_atom_t *>(xcb_get_property_value(r.get()));
        const int n = xcb_get_property_value_length(r.get()) / 4;
        std::vector<xcb_get_atom_name_cookie_t> asked;
        for (int i = 0; i < n; ++i)
            asked.push_back(xcb_get_atom_name(c, list[i]));
        save.text = save.picture = false;
        for (const auto &cookie : asked) {
            x11::Reply<xcb_get_atom_name_reply_t> name(xcb_get_atom_name_reply(c, cookie, nullptr));
            if (!name)
                continue;
            const QByteArray s(xcb_get_atom_name_name(name.get()), xcb_get_atom_name_name_length(name.get()));
            save.text = save.text || isTextType(s);
            save.picture = save.picture || s.startsWith("image/");
            save.listed << s;
        }
        return save;
    }
};

ClipboardKeeper::ClipboardKeeper(Events events)
    : m_x(std::make_unique<X>())
    , m_events(std::move(events))
{
    m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    m_connected = m_wake >= 0 && m_x->open();
    m_window = m_x->window;
    if (m_connected)
        m_thread = std::thread([this] { run(); });
    else
        qCWarning(lcClipboard) << "no clipboard manager role: no connection of its own, or no XFixes";
}

ClipboardKeeper::~ClipboardKeeper()
{
    m_stop = true;
    if (m_wake >= 0)
        wake(m_wake);
    if (m_thread.joinable())
        m_thread.join();
    if (m_wake >= 0)
        ::close(m_wake);
}

void ClipboardKeeper::post(std::function<void()> command)
{
    if (!m_connected)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_commands.push_back(std::move(command));
    }
    wake(m_wake);
}

void ClipboardKeeper::answer(unsigned id, bool saved)
{
    post([this, id, saved] { m_x->finishSave(id, saved); });
}

void ClipboardKeeper::serve(std::vector<KeptTarget> targets, unsigned id)
{
    post([this, id, content = std::make_shared<const std::vector<KeptTarget>>(std::move(targets))] {
        X &x = *m_x;
        xcb_set_selection_owner(x.c, x.window, x.atom("CLIPBOARD"), x.time);
        const bool taken = x.owner(x.atom("CLIPBOARD")) == x.window;
        if (taken) {
            x.served = content;
            x.servedSince = x.time;
            m_serving = true;
            qCInfo(lcClipboard) << "the clipboard of an owner that quits is offered again in" << content->size()
                                << "types";
        }
        x.finishSave(id, taken);
    });
}

void ClipboardKeeper::handOver()
{
    if (!m_connected) {
        m_events.handedOver(false);
        return;
    }
    post([this] {
        X &x = *m_x;
        const xcb_window_t other = x.owner(x.atom("CLIPBOARD_MANAGER"));
        if (other == XCB_NONE || other == x.window) {
            m_events.handedOver(false);
            return;
        }
        // No list of targets: the manager takes all the clipboard offers.
        xcb_delete_property(x.c, x.window, x.atom("MERKOLO_SAVE"));
        xcb_convert_selection(x.c, x.window, x.atom("CLIPBOARD_MANAGER"), x.atom("SAVE_TARGETS"),
                              x.atom("MERKOLO_SAVE"), x.time);
        xcb_flush(x.c);
    });
}

void ClipboardKeeper::takeManagerRole(quint32 time)
{
    X &x = *m_x;
    const xcb_atom_t selection = x.atom("CLIPBOARD_MANAGER");
    if (x.owner(selection) != XCB_NONE)
        return;
    xcb_set_selection_owner(x.c, x.window, selection, time);
    if (x.owner(selection) != x.window)
        return;
    m_manager = true;
    x.since = time;
    // Announced to the root window, as a manager selection's new owner does.
    xcb_client_message_event_t m{};
    m.response_type = XCB_CLIENT_MESSAGE;
    m.format = 32;
    m.window = x.root;
    m.type = x.atom("MANAGER");
    m.data.data32[0] = time;
    m.data.data32[1] = selection;
    m.data.data32[2] = x.window;
    xcb_send_event(x.c, 0, x.root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char *>(&m));
    xcb_flush(x.c);
    qCInfo(lcClipboard) << "clipboard manager role taken";
}

void ClipboardKeeper::handle(void *event)
{
    X &x = *m_x;
    auto *e = static_cast<xcb_generic_event_t *>(event);
    const uint8_t type = e->response_type & 0x7f;
    if (type == x.xfixesEvent) {
        auto *n = reinterpret_cast<xcb_xfixes_selection_notify_event_t *>(e);
        x.time = n->timestamp;
        const bool gone = n->owner == XCB_NONE || n->subtype != XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER;
        if (n->selection == x.atom("CLIPBOARD")) {
            const xcb_window_t owner = std::exchange(x.clipboardOwner, gone ? XCB_NONE : n->owner);
            if (gone)
                m_events.ownerGone(n->subtype != XCB_XFIXES_SELECTION_EVENT_SET_SELECTION_OWNER, m_manager, owner);
        } else if (gone && n->selection == x.atom("CLIPBOARD_MANAGER"))
            takeManagerRole(n->timestamp);
    } else if (type == XCB_PROPERTY_NOTIFY) {
        auto *p = reinterpret_cast<xcb_property_notify_event_t *>(e);
        if (p->window != x.window) {
            if (p->state == XCB_PROPERTY_DELETE)
                x.nextChunk(p->window, p->atom);
            return;
        }
        const bool first = x.time == XCB_CURRENT_TIME;
        x.time = p->time;
        if (first)
            takeManagerRole(p->time);
    } else if (type == XCB_DESTROY_NOTIFY) {
        x.readerGone(reinterpret_cast<xcb_destroy_notify_event_t *>(e)->window);
    } else if (type == XCB_SELECTION_CLEAR) {
        const auto *clear = reinterpret_cast<xcb_selection_clear_event_t *>(e);
        if (clear->selection == x.atom("CLIPBOARD")) {
            // Another program took the clipboard: what we served goes (transfers under way end with it).
            x.served.reset();
            m_serving = false;
        } else if (m_manager.exchange(false)) {
            qCInfo(lcClipboard) << "clipboard manager role left to another program";
        }
    } else if (type == XCB_SELECTION_NOTIFY) {
        auto *n = reinterpret_cast<xcb_selection_notify_event_t *>(e);
        if (n->requestor == x.window && n->target == x.atom("SAVE_TARGETS"))
            m_events.handedOver(n->property != XCB_NONE);
    } else if (type == XCB_SELECTION_REQUEST) {
        const auto req = *reinterpret_cast<xcb_selection_request_event_t *>(e);
        const xcb_atom_t property = req.property != XCB_NONE ? req.property : req.target;
        if (req.selection == x.atom("CLIPBOARD") && x.served) {
            ++m_requests;
            if (req.target == x.atom("MULTIPLE") && req.property != XCB_NONE)
                x.answerMultiple(req, [&](xcb_atom_t t, xcb_atom_t p) { return x.answerServed(req.requestor, t, p); });
            else
                x.notify(req, x.answerServed(req.requestor, req.target, property) ? property : XCB_NONE);
        } else if (req.selection != x.atom("CLIPBOARD_MANAGER") || !m_manager) {
            x.notify(req, XCB_NONE);
        } else if (req.target == x.atom("SAVE_TARGETS")) {
            Save save = x.listed(req.requestor, req.property);
            save.id = ++x.lastSave;
            x.saves.emplace(save.id, req);
            m_events.saveAsked(save);
        } else if (req.target == x.atom("MULTIPLE") && req.property != XCB_NONE) {
            // Each target we cannot answer at once (SAVE_TARGETS among them) is refused.
            x.answerMultiple(req, [&](xcb_atom_t t, xcb_atom_t p) { return x.answerAtOnce(req.requestor, t, p); });
        } else {
            x.notify(req, x.answerAtOnce(req.requestor, req.target, property) ? property : XCB_NONE);
        }
    }
}

void ClipboardKeeper::run()
{
    X &x = *m_x;
    while (!m_stop) {
        while (xcb_generic_event_t *e = xcb_poll_for_event(x.c)) {
            handle(e);
            std::free(e);
        }
        const int stallDue = x.dropStalled();
        xcb_flush(x.c); // what the events brought (a chunk of a transfer) goes out now
        std::vector<std::function<void()>> commands;
        {
            std::lock_guard lock(m_mutex);
            commands.swap(m_commands);
        }
        for (auto &command : commands)
            command();
        if (xcb_connection_has_error(x.c)) {
            qCWarning(lcClipboard) << "clipboard manager role ends: the connection to the X server failed";
            m_manager = false;
            return;
        }
        if (!commands.empty())
            continue; // a command may have brought events
        pollfd p[2] = {{xcb_get_file_descriptor(x.c), POLLIN, 0}, {m_wake, POLLIN, 0}};
        ::poll(p, 2, stallDue);
        if (p[1].revents & POLLIN) {
            uint64_t n = 0;
            while (::read(m_wake, &n, sizeof n) == sizeof n) {
            }
        }
    }
    // Owners still waiting for an answer are not left waiting.
    for (const auto &[id, req] : x.saves)
        x.notify(req, XCB_NONE);
    // The role released as the convention asks (its window destroyed), so
    // that a manager waiting for it takes it.
    if (m_manager.exchange(false)) {
        xcb_set_selection_owner(x.c, XCB_NONE, x.atom("CLIPBOARD_MANAGER"), x.time);
        xcb_destroy_window(x.c, x.window);
        xcb_flush(x.c);
    }
}
