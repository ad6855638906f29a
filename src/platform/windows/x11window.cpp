#include "platform/windows/x11window.h"

#include "platform/services/x11connection.h"
#include "platform/windows/swayplace.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

namespace x11window {

namespace {

constexpr const char *kAsked = "merkolo.wmstates";
constexpr const char *kFloats = "merkolo.floats";
constexpr const char *kPlaced = "merkolo.placed"; // keeps its stated place under sway

using x11::atom;
using x11::connection;

xcb_atom_t stateAtom(State s)
{
    return atom(s == State::Above ? "_NET_WM_STATE_ABOVE" : "_NET_WM_STATE_SKIP_TASKBAR");
}

constexpr State kStates[] = {State::Above, State::SkipTaskbar};

int g_all = 0;            // states every window of the program carries
bool g_allTouched = false; // a program-wide state was ever set

int asked(const QWidget *w)
{
    return w->property(kAsked).toInt() | g_all;
}

bool touched(const QWidget *w)
{
    return g_allTouched || w->property(kAsked).isValid();
}

// Windows the manager lists and stacks (not menus, tooltips or the desktop).
bool managed(const QWidget *w)
{
    if (!w->isWindow())
        return false;
    const Qt::WindowType t = w->windowType();
    return t != Qt::Popup && t != Qt::ToolTip && t != Qt::Desktop && !w->testAttribute(Qt::WA_DontShowOnScreen)
        && !w->windowFlags().testFlag(Qt::BypassWindowManagerHint); // e.g. a docked tray icon
}

// An unmapped window: our atoms in _NET_WM_STATE as asked, the others kept.
void writeProperty(xcb_connection_t *c, xcb_window_t win, int states)
{
    const xcb_atom_t prop = atom("_NET_WM_STATE");
    std::vector<xcb_atom_t> atoms;
    xcb_get_property_reply_t *r
        = xcb_get_property_reply(c, xcb_get_property(c, 0, win, prop, XCB_ATOM_ATOM, 0, 64), nullptr);
    if (r && r->format == 32) {
        const auto *v = static_cast<const xcb_atom_t *>(xcb_get_property_value(r));
        atoms.assign(v, v + xcb_get_property_value_length(r) / 4);
    }
    std::free(r);
    for (State s : kStates) {
        const xcb_atom_t a = stateAtom(s);
        std::erase(atoms, a);
        if (states & static_cast<int>(s))
            atoms.push_back(a);
    }
    if (atoms.empty())
        xcb_delete_property(c, win, prop);
    else
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, prop, XCB_ATOM_ATOM, 32,
                            static_cast<uint32_t>(atoms.size()), atoms.data());
}

// A mapped window: the request goes to the window manager (EWMH).
void askManager(xcb_connection_t *c, xcb_window_t win, State s, bool on)
{
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = win;
    ev.type = atom("_NET_WM_STATE");
    ev.data.data32[0] = on ? 1 : 0; // _NET_WM_STATE_ADD / _REMOVE
    ev.data.data32[1] = stateAtom(s);
    ev.data.data32[3] = 1; // from a normal application
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char *>(&ev));
}

// The X window of a widget, if it has one (never creates it).
xcb_window_t nativeOf(const QWidget *w)
{
    if (!w->testAttribute(Qt::WA_WState_Created))
        return XCB_NONE;
    const QWindow *h = w->windowHandle();
    return h && h->handle() ? static_cast<xcb_window_t>(h->winId()) : XCB_NONE;
}

// An unmapped window that floats on a tiling manager: NORMAL, which every
// manager that takes the first type it knows keeps to, then DIALOG, which
// sway looks for anywhere in the list.
void writeFloatingType(QWidget *w)
{
    xcb_connection_t *c = connection();
    const xcb_window_t win = c ? nativeOf(w) : XCB_NONE;
    if (!win || !managed(w))
        return;
    const xcb_atom_t types[] = {atom("_NET_WM_WINDOW_TYPE_NORMAL"), atom("_NET_WM_WINDOW_TYPE_DIALOG")};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, win, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 2, types);
    xcb_flush(c);
}

void apply(QWidget *w, State only, bool all)
{
    xcb_connection_t *c = connection();
    const xcb_window_t win = c ? nativeOf(w) : XCB_NONE;
    if (!win || !managed(w))
        return;
    const int states = asked(w);
    if (w->windowHandle()->isVisible()) {
        for (State s : kStates) {
            if (all || s == only)
                askManager(c, win, s, states & static_cast<int>(s));
        }
    } else {
        writeProperty(c, win, states);
    }
    xcb_flush(c);
}

// Gives each window its states just before it is mapped, and reports new
// frames of the program's windows.
class Watcher : public QObject, public QAbstractNativeEventFilter
{
public:
    static Watcher &instance()
    {
        static Watcher *w = [] {
            auto *created = new Watcher;
            qApp->installEventFilter(created);
            qApp->installNativeEventFilter(created);
            return created;
        }();
        return *w;
    }

    std::vector<std::function<void(QWindow *)>> frameListeners;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // A widget's show event comes before its window is mapped.
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto *w = static_cast<QWidget *>(watched);
            if (w->isWindow() && touched(w))
                apply(w, State::Above, true);
            if (w->isWindow() && w->property(kFloats).toBool())
                writeFloatingType(w);
            if (w->isWindow() && w->property(kPlaced).toBool())
                swayplace::state(w);
        }
        // A window on screen moved or resized: by the program, sway centres
        // it again and is told the place once more; by sway, it may have
        // missed its place by the frame sway drew.
        if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && watched->isWidgetType()
            && swayplace::active()) {
            auto *w = static_cast<QWidget *>(watched);
            if (w->isWindow() && w->isVisible() && w->property(kPlaced).toBool()) {
                if (event->spontaneous()) {
                    swayplace::reported(w);
                } else {
                    swayplace::state(w);
                    swayplace::place(w);
                }
            }
        }
        return false;
    }

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override
    {
        if (type != "xcb_generic_event_t")
            return false;
        auto *e = static_cast<xcb_generic_event_t *>(message);
        if ((e->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            mapped(reinterpret_cast<xcb_map_notify_event_t *>(e)->window);
            return false;
        }
        if (frameListeners.empty() || (e->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
            return false;
        auto *p = reinterpret_cast<xcb_property_notify_event_t *>(e);
        xcb_connection_t *c = connection();
        if (!c || p->atom != atom("_NET_FRAME_EXTENTS"))
            return false;
        for (QWindow *w : QGuiApplication::topLevelWindows()) {
            if (w->handle() && static_cast<xcb_window_t>(w->winId()) == p->window) {
                // Geometry changes wait until the toolkit has handled the event.
                QMetaObject::invokeMethod(
                    this,
                    [this, window = QPointer<QWindow>(w)] {
                        if (window) {
                            for (const auto &listener : frameListeners)
                                listener(window);
                        }
                    },
                    Qt::QueuedConnection);
                break;
            }
        }
        return false;
    }

private:
    // The states written before mapping can be lost when a window is shown
    // again right after it was hidden: the window manager clears the state
    // of a withdrawn window when it gets round to the unmap, which may be
    // after the new state was written. Once mapped, the states are asked of
    // the manager once more (adding a state it has is no change).
    void mapped(xcb_window_t win)
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->property(kPlaced).toBool() && nativeOf(w) == win && swayplace::active())
                QMetaObject::invokeMethod(
                    this,
                    [window = QPointer<QWidget>(w)] {
                        if (window && window->isVisible())
                            swayplace::place(window);
                    },
                    Qt::QueuedConnection);
            if (touched(w) && nativeOf(w) == win) {
                QMetaObject::invokeMethod(
                    this,
                    [window = QPointer<QWidget>(w)] {
                        if (window && window->isVisible())
                            apply(window, State::Above, true);
                    },
                    Qt::QueuedConnection);
                return;
            }
        }
    }
};

} // namespace

bool active()
{
    return connection() != nullptr;
}

void setState(QWidget *window, State state, bool on)
{
    if (!window)
        return;
    Watcher::instance();
    int mine = window->property(kAsked).toInt();
    mine = on ? (mine | static_cast<int>(state)) : (mine & ~static_cast<int>(state));
    window->setProperty(kAsked, mine);
    apply(window, state, false);
}

bool hasState(const QWidget *window, State state)
{
    return window && (asked(window) & static_cast<int>(state));
}

void setStateForAll(State state, bool on)
{
    Watcher::instance();
    g_allTouched = true;
    g_all = on ? (g_all | static_cast<int>(state)) : (g_all & ~static_cast<int>(state));
    for (QWidget *w : QApplication::topLevelWidgets())
        apply(w, state, false);
}

void setFloatingWhenTiled(QWidget *window)
{
    if (!window)
        return;
    Watcher::instance();
    window->setProperty(kFloats, true);
}

void keepPlaceWhenTiled(QWidget *window)
{
    if (!window)
        return;
    Watcher::instance();
    window->setProperty(kPlaced, true);
}

std::optional<QMargins> frameExtents(const QWindow *window)
{
    xcb_connection_t *c = connection();
    if (!c || !window || !window->handle())
        return std::nullopt;
    const auto win = static_cast<xcb_window_t>(window->winId());
    xcb_get_property_reply_t *r = xcb_get_property_reply(
        c, xcb_get_property(c, 0, win, atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 0, 4), nullptr);
    std::optional<QMargins> out;
    if (r && r->format == 32 && xcb_get_property_value_length(r) == 16) {
        const auto *v = static_cast<const uint32_t *>(xcb_get_property_value(r));
        // The property lists left, right, top, bottom.
        out = QMargins(static_cast<int>(v[0]), static_cast<int>(v[2]), static_cast<int>(v[1]),
                       static_cast<int>(v[3]));
    }
    std::free(r);
    return out;
}

void onFrameChanged(std::function<void(QWindow *)> changed)
{
    Watcher::instance().frameListeners.push_back(std::move(changed));
}

} // namespace x11window
