// Owner gone -> content back: an owner of the CLIPBOARD (a window of this
// benchmark, on a connection of its own) serves a text; once the program has
// read it, the window is destroyed, and the time until the program owns the
// clipboard with that text again is measured. Needs a display.

#include "x11bench.h"

#include "platform/clipboard/x11/x11clipboard.h"

#include <QApplication>
#include <QElapsedTimer>

#include <xcb/xcb.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <thread>

namespace {

xcb_atom_t intern(xcb_connection_t *c, const char *name)
{
    auto *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t a = r ? r->atom : XCB_NONE;
    std::free(r);
    return a;
}

xcb_window_t owner(xcb_connection_t *c, xcb_atom_t selection)
{
    auto *r = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, selection), nullptr);
    const xcb_window_t w = r ? r->owner : XCB_NONE;
    std::free(r);
    return w;
}

// Serves `text` as UTF8_STRING (and TARGETS) to whoever asks, until stopped.
void serve(xcb_connection_t *c, const QByteArray &text, const std::atomic<bool> &stop)
{
    const xcb_atom_t targets = intern(c, "TARGETS"), utf8 = intern(c, "UTF8_STRING");
    while (!stop) {
        pollfd p{xcb_get_file_descriptor(c), POLLIN, 0};
        ::poll(&p, 1, 20);
        while (xcb_generic_event_t *e = xcb_poll_for_event(c)) {
            if ((e->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
                auto *r = reinterpret_cast<xcb_selection_request_event_t *>(e);
                xcb_atom_t property = r->property;
                if (r->target == targets) {
                    const xcb_atom_t offered[] = {targets, utf8};
                    xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, property, XCB_ATOM_ATOM, 32, 2, offered);
                } else if (r->target == utf8) {
                    xcb_change_property(c, XCB_PROP_MODE_REPLACE, r->requestor, property, utf8, 8, text.size(),
                                        text.constData());
                } else {
                    property = XCB_NONE;
                }
                xcb_selection_notify_event_t n{};
                n.response_type = XCB_SELECTION_NOTIFY;
                n.time = r->time;
                n.requestor = r->requestor;
                n.selection = r->selection;
                n.target = r->target;
                n.property = property;
                xcb_send_event(c, 0, r->requestor, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&n));
                xcb_flush(c);
            }
            std::free(e);
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!haveDisplay())
        return 1;
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 50;
    X11Clipboard clipboard;
    x11::waitUntil([&] { return clipboard.snapshots() > 0 && clipboard.keeping(); });
    if (!clipboard.keeping()) {
        std::fprintf(stderr, "another clipboard manager holds the role: nothing to measure\n");
        return 1;
    }
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    const xcb_atom_t selection = intern(c, "CLIPBOARD");
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    std::atomic<bool> stop{false};
    std::thread server([&] { serve(c, QByteArrayLiteral("Messung: Eigentümer weg"), stop); });

    std::vector<double> back;
    for (int i = 0; i < rounds; ++i) {
        const int before = clipboard.snapshots();
        const xcb_window_t w = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          screen->root_visual, 0, nullptr);
        xcb_set_selection_owner(c, w, selection, XCB_CURRENT_TIME);
        xcb_flush(c);
        if (!x11::waitUntil([&] { return clipboard.snapshots() > before; })) {
            std::fprintf(stderr, "round %d: the copy was not read\n", i);
            continue;
        }
        QElapsedTimer clock;
        clock.start();
        xcb_destroy_window(c, w);
        xcb_flush(c);
        const bool ok = x11::waitUntil([&] {
            const xcb_window_t now = owner(c, selection);
            return now != XCB_NONE && now != w;
        }, 2000);
        if (ok)
            back.push_back(clock.nsecsElapsed() / 1e6);
        else
            std::fprintf(stderr, "round %d: nothing came back\n", i);
    }
    stop = true;
    server.join();
    xcb_disconnect(c);
    reportMs("owner gone -> content back on the clipboard", back);
    return 0;
}
