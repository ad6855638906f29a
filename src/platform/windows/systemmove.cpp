#include "platform/windows/systemmove.h"

#include "platform/services/x11connection.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QStyleHints>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstring>
#include <optional>

namespace systemmove {

namespace {

// Asks an X11 window manager to move `window` as from a press on its title
// bar at `rootPos`, so the window follows the pointer's whole path from
// there. False when this is no X11 desktop or its window manager cannot.
bool windowManagerMove(QWidget *window, const QPoint &rootPos)
{
    xcb_connection_t *c = x11::connection();
    QWindow *native = window->windowHandle();
    if (!c || !native)
        return false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t moveResize = x11::atom("_NET_WM_MOVERESIZE");
    const xcb_atom_t supported = x11::atom("_NET_SUPPORTED");
    x11::Reply<xcb_get_property_reply_t> list(
        xcb_get_property_reply(c, xcb_get_property(c, 0, root, supported, XCB_ATOM_ATOM, 0, 4096), nullptr));
    if (!list || list->format != 32 || moveResize == XCB_ATOM_NONE)
        return false;
    const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(list.get()));
    const int count = xcb_get_property_value_length(list.get()) / 4;
    if (std::find(atoms, atoms + count, moveResize) == atoms + count)
        return false;

    const qreal ratio = native->devicePixelRatio();
    xcb_client_message_event_t ev;
    std::memset(&ev, 0, sizeof ev);
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = static_cast<xcb_window_t>(native->winId());
    ev.type = moveResize;
    ev.data.data32[0] = static_cast<uint32_t>(qRound(rootPos.x() * ratio));
    ev.data.data32[1] = static_cast<uint32_t>(qRound(rootPos.y() * ratio));
    ev.data.data32[2] = 8; // _NET_WM_MOVERESIZE_MOVE
    ev.data.data32[3] = XCB_BUTTON_INDEX_1;
    ev.data.data32[4] = 1; // a normal application
    // The window manager can take the pointer only once this program lets it go.
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&ev));
    xcb_flush(c);
    return true;
}

class Mover : public QObject
{
public:
    void watch()
    {
        if (m_watching)
            return;
        m_watching = true;
        qApp->installEventFilter(this);
    }

    void begin(QWidget *window)
    {
        if (m_window)
            return;
        watch();
        m_window = window;
        // Where the pointer was at the input being handled, not where it is by now.
        m_startPointer = m_lastPointer.value_or(QCursor::pos());
        m_startWindow = window->pos();
        m_byHand = false;
    }

    bool active() const { return !m_window.isNull(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Widgets only: a spontaneous event also passes its native window first.
        if (!watched->isWidgetType())
            return false;
        const auto type = event->type();
        if (type != QEvent::MouseMove && type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonPress
            && type != QEvent::MouseButtonDblClick)
            return false;
        auto *mouse = static_cast<QMouseEvent *>(event);
        const QPoint pointer = mouse->globalPosition().toPoint();
        m_lastPointer = pointer;
        if (!m_window || type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick)
            return false;
        if (!m_window->isVisible() || !(mouse->buttons() & Qt::LeftButton)) {
            // The button is up (or never was down): the move is over; the
            // event itself goes where it was going.
            stop();
            return false;
        }
        if (type != QEvent::MouseMove)
            return false;
        const QPoint delta = pointer - m_startPointer;
        if (!m_byHand && delta.manhattanLength() < QGuiApplication::styleHints()->startDragDistance())
            return true;
        // The window catches up with the pointer; the window manager (or this
        // object, by hand) moves it on from there.
        m_window->move(m_startWindow + delta);
        if (!m_byHand) {
            if (windowManagerMove(m_window, pointer)) {
                stop();
                return true;
            }
            m_byHand = true;
        }
        return true;
    }

private:
    void stop() { m_window = nullptr; }

    bool m_watching = false;
    std::optional<QPoint> m_lastPointer; // of the latest mouse input, as Windows' message position
    QPointer<QWidget> m_window;
    QPoint m_startPointer;
    QPoint m_startWindow;
    bool m_byHand = false;
};

Mover &mover()
{
    static auto *m = new Mover; // lives as long as the process, like the system's move loop
    return *m;
}

} // namespace

void watch()
{
    if (qApp)
        mover().watch();
}

void begin(QWidget *window)
{
    if (window && window->isWindow() && window->isVisible())
        mover().begin(window);
}

bool active()
{
    return mover().active();
}

} // namespace systemmove
