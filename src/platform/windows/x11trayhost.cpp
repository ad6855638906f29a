#include "platform/windows/x11trayhost.h"

#include "platform/services/x11connection.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

using x11::connection;

X11TrayHost::X11TrayHost(QObject *parent)
    : QObject(parent)
{
    xcb_connection_t *c = connection();
    if (!c)
        return;
    int screen = 0;
    char *host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0)
        screen = 0;
    std::free(host);
    m_selection = x11::atom("_NET_SYSTEM_TRAY_S" + QByteArray::number(screen));
    m_manager = x11::atom("MANAGER");
    const x11::Reply<xcb_get_selection_owner_reply_t> r(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_selection), nullptr));
    follow(r ? r->owner : XCB_NONE);
    QCoreApplication::instance()->installNativeEventFilter(this);
}

X11TrayHost::~X11TrayHost()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
}

bool X11TrayHost::available()
{
    return connection() != nullptr;
}

void X11TrayHost::follow(std::uint32_t owner)
{
    m_owner = owner;
    xcb_connection_t *c = connection();
    if (!owner || !c)
        return;
    // Its destruction is how we learn that the host has gone.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, owner, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
}

void X11TrayHost::announce(bool present)
{
    // From the event loop, once the toolkit has seen the event too.
    QMetaObject::invokeMethod(this, [this, present] { emit changed(present); }, Qt::QueuedConnection);
}

bool X11TrayHost::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    auto *e = static_cast<xcb_generic_event_t *>(message);
    switch (e->response_type & 0x7f) {
    case XCB_CLIENT_MESSAGE: {
        auto *m = reinterpret_cast<xcb_client_message_event_t *>(e);
        if (m->type == m_manager && m->format == 32 && m->data.data32[1] == m_selection) {
            follow(m->data.data32[2]);
            announce(true);
        }
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        auto *d = reinterpret_cast<xcb_destroy_notify_event_t *>(e);
        if (m_owner && d->window == m_owner) {
            m_owner = 0;
            announce(false);
        }
        break;
    }
    default:
        break;
    }
    return false;
}
