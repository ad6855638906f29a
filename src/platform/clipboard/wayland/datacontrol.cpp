#include "platform/clipboard/wayland/datacontrol.h"

#include "platform/services/log.h"

#include "ext-data-control-v1-client-protocol.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

// The requests of one protocol on untyped objects; events reach the listener.
struct DataControl::Calls {
    const char *global;
    uint32_t version; // the highest version this program knows
    const wl_interface *manager;
    wl_proxy *(*getDevice)(wl_proxy *manager, wl_seat *seat, Listener *listener);
    wl_proxy *(*createSource)(wl_proxy *manager, Listener *listener);
    void (*offer)(wl_proxy *source, const char *mime);
    void (*setSelection)(wl_proxy *device, wl_proxy *source);
    void (*receive)(wl_proxy *offer, const char *mime, int fd);
    void (*destroyManager)(wl_proxy *manager);
    void (*destroyDevice)(wl_proxy *device);
    void (*destroySource)(wl_proxy *source);
    void (*destroyOffer)(wl_proxy *offer);
};

namespace {

using Listener = DataControl::Listener;

template <class T> wl_proxy *untyped(T *p)
{
    return reinterpret_cast<wl_proxy *>(p);
}
template <class T> T *typed(wl_proxy *p)
{
    return reinterpret_cast<T *>(p);
}
Listener *to(void *data)
{
    return static_cast<Listener *>(data);
}

// The generated names of one protocol, prefix `NS`, gathered under one name.
#define MERKOLO_DATA_CONTROL_PROTOCOL(NAME, NS, VERSION)                                                         \
    struct NAME {                                                                                                \
        using Manager = NS##_data_control_manager_v1;                                                          \
        using Device = NS##_data_control_device_v1;                                                            \
        using Source = NS##_data_control_source_v1;                                                            \
        using Offer = NS##_data_control_offer_v1;                                                              \
        using DeviceEvents = NS##_data_control_device_v1_listener;                                             \
        using SourceEvents = NS##_data_control_source_v1_listener;                                             \
        using OfferEvents = NS##_data_control_offer_v1_listener;                                               \
        static constexpr const char *global = #NS "_data_control_manager_v1";                                  \
        static constexpr uint32_t version = VERSION;                                                           \
        static const wl_interface *interface() { return &NS##_data_control_manager_v1_interface; }             \
        static constexpr auto getDevice = NS##_data_control_manager_v1_get_data_device;                        \
        static constexpr auto createSource = NS##_data_control_manager_v1_create_data_source;                  \
        static constexpr auto destroyManager = NS##_data_control_manager_v1_destroy;                           \
        static constexpr auto listenDevice = NS##_data_control_device_v1_add_listener;                         \
        static constexpr auto setSelection = NS##_data_control_device_v1_set_selection;                        \
        static constexpr auto destroyDevice = NS##_data_control_device_v1_destroy;                             \
        static constexpr auto listenSource = NS##_data_control_source_v1_add_listener;                         \
        static constexpr auto offer = NS##_data_control_source_v1_offer;                                       \
        static constexpr auto destroySource = NS##_data_control_source_v1_destroy;                             \
        static constexpr auto listenOffer = NS##_data_control_offer_v1_add_listener;                           \
        static constexpr auto receive = NS##_data_control_offer_v1_receive;                                    \
        static constexpr auto destroyOffer = NS##_data_control_offer_v1_destroy;                               \
    };
MERKOLO_DATA_CONTROL_PROTOCOL(Wlr, zwlr, 2)
MERKOLO_DATA_CONTROL_PROTOCOL(Ext, ext, 1)
#undef MERKOLO_DATA_CONTROL_PROTOCOL

template <class P> const DataControl::Calls &callsOf()
{
    using Device = typename P::Device;
    using Offer = typename P::Offer;
    using Source = typename P::Source;
    static const typename P::OfferEvents offerEvents = {
        .offer = [](void *d, Offer *o, const char *mime) { to(d)->offerType(untyped(o), mime); },
    };
    static const typename P::DeviceEvents deviceEvents = {
        .data_offer =
            [](void *d, Device *, Offer *o) {
                // Listened to before its types arrive, which follow at once.
                P::listenOffer(o, &offerEvents, d);
                to(d)->offerIntroduced(untyped(o));
            },
        .selection = [](void *d, Device *, Offer *o) { to(d)->selection(untyped(o)); },
        .finished = [](void *d, Device *) { to(d)->deviceFinished(); },
        .primary_selection = [](void *d, Device *, Offer *o) { to(d)->primarySelection(untyped(o)); },
    };
    static const typename P::SourceEvents sourceEvents = {
        .send = [](void *d, Source *s, const char *mime, int32_t fd) { to(d)->sendRequested(untyped(s), mime, fd); },
        .cancelled = [](void *d, Source *s) { to(d)->sourceCancelled(untyped(s)); },
    };
    static const DataControl::Calls calls = {
        P::global,
        P::version,
        P::interface(),
        [](wl_proxy *m, wl_seat *seat, Listener *l) {
            Device *device = P::getDevice(typed<typename P::Manager>(m), seat);
            P::listenDevice(device, &deviceEvents, l);
            return untyped(device);
        },
        [](wl_proxy *m, Listener *l) {
            Source *source = P::createSource(typed<typename P::Manager>(m));
            P::listenSource(source, &sourceEvents, l);
            return untyped(source);
        },
        [](wl_proxy *s, const char *mime) { P::offer(typed<Source>(s), mime); },
        [](wl_proxy *d, wl_proxy *s) { P::setSelection(typed<Device>(d), typed<Source>(s)); },
        [](wl_proxy *o, const char *mime, int fd) { P::receive(typed<Offer>(o), mime, fd); },
        [](wl_proxy *m) { P::destroyManager(typed<typename P::Manager>(m)); },
        [](wl_proxy *d) { P::destroyDevice(typed<Device>(d)); },
        [](wl_proxy *s) { P::destroySource(typed<Source>(s)); },
        [](wl_proxy *o) { P::destroyOffer(typed<Offer>(o)); },
    };
    return calls;
}

// The globals the compositor announces that are of use here.
struct Globals {
    struct Found {
        uint32_t name = 0;
        uint32_t version = 0;
    };
    Found seat, wlr, ext;
    bool done = false;
};

const wl_registry_listener registryEvents = {
    .global =
        [](void *d, wl_registry *, uint32_t name, const char *interface, uint32_t version) {
            auto *g = static_cast<Globals *>(d);
            Globals::Found *found = nullptr;
            if (std::strcmp(interface, wl_seat_interface.name) == 0 && g->seat.name == 0)
                found = &g->seat; // the first seat: a desktop has one
            else if (std::strcmp(interface, Wlr::global) == 0)
                found = &g->wlr;
            else if (std::strcmp(interface, Ext::global) == 0)
                found = &g->ext;
            if (found)
                *found = {name, version};
        },
    .global_remove = [](void *, wl_registry *, uint32_t) {},
};

const wl_callback_listener syncEvents = {
    .done = [](void *d, wl_callback *, uint32_t) { static_cast<Globals *>(d)->done = true; },
};

} // namespace

DataControl::DataControl(Listener &listener, int waitMs)
    : m_listener(listener)
{
    m_display = wl_display_connect(nullptr);
    if (!m_display) {
        m_problem = QStringLiteral("no connection to the compositor: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    Globals globals;
    wl_registry *registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(registry, &registryEvents, &globals);
    // Every global has been announced once the compositor answers this.
    wl_callback *sync = wl_display_sync(m_display);
    wl_callback_add_listener(sync, &syncEvents, &globals);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (!globals.done && !m_broken) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pump(static_cast<int>(left.count()));
    }
    wl_callback_destroy(sync);

    const bool ext = globals.ext.name != 0;
    const Globals::Found manager = ext ? globals.ext : globals.wlr;
    if (!globals.done)
        m_problem = m_broken ? QStringLiteral("the connection to the compositor failed")
                             : QStringLiteral("the compositor did not answer within %1 ms").arg(waitMs);
    else if (manager.name == 0)
        m_problem = QStringLiteral("the compositor offers no data control");
    else if (globals.seat.name == 0)
        m_problem = QStringLiteral("the compositor offers no seat");
    if (!m_problem.isEmpty()) {
        wl_registry_destroy(registry);
        return;
    }
    m_calls = ext ? &callsOf<Ext>() : &callsOf<Wlr>();
    const uint32_t version = std::min(manager.version, m_calls->version);
    m_route = QByteArray(m_calls->global) + " v" + QByteArray::number(version);
    m_manager = static_cast<wl_proxy *>(wl_registry_bind(registry, manager.name, m_calls->manager, version));
    m_seat = static_cast<wl_proxy *>(wl_registry_bind(registry, globals.seat.name, &wl_seat_interface, 1));
    wl_registry_destroy(registry);
    m_device = m_calls->getDevice(m_manager, reinterpret_cast<wl_seat *>(m_seat), &m_listener);
    wl_display_flush(m_display);
}

DataControl::~DataControl()
{
    if (!m_display)
        return;
    if (m_device)
        m_calls->destroyDevice(m_device);
    if (m_manager)
        m_calls->destroyManager(m_manager);
    if (m_seat)
        wl_proxy_destroy(m_seat);
    wl_display_flush(m_display);
    wl_display_disconnect(m_display);
}

wl_proxy *DataControl::createSource(const QByteArrayList &types)
{
    wl_proxy *source = m_calls->createSource(m_manager, &m_listener);
    for (const QByteArray &t : types)
        m_calls->offer(source, t.constData());
    return source;
}

void DataControl::setSelection(wl_proxy *source)
{
    m_calls->setSelection(m_device, source);
}

void DataControl::receive(wl_proxy *offer, const QByteArray &mime, int fd)
{
    m_calls->receive(offer, mime.constData(), fd);
}

void DataControl::destroyOffer(wl_proxy *offer)
{
    m_calls->destroyOffer(offer);
}

void DataControl::destroySource(wl_proxy *source)
{
    m_calls->destroySource(source);
}

bool DataControl::broke(const char *what)
{
    if (!m_broken)
        qCWarning(lcClipboard) << "the connection to the Wayland compositor failed:" << what
                               << std::strerror(wl_display_get_error(m_display));
    m_broken = true;
    return false;
}

bool DataControl::pump(int timeoutMs, std::span<pollfd> extra)
{
    std::vector<pollfd> fds;
    fds.reserve(extra.size() + 1);
    if (m_broken) {
        fds.assign(extra.begin(), extra.end());
        ::poll(fds.data(), fds.size(), timeoutMs);
        std::copy(fds.begin(), fds.end(), extra.begin());
        return false;
    }
    // Events already read are dispatched first; then there is no waiting,
    // since what they changed is for the caller to act on.
    bool dispatched = false;
    while (wl_display_prepare_read(m_display) != 0) {
        const int n = wl_display_dispatch_pending(m_display);
        if (n < 0)
            return broke("dispatch");
        dispatched = dispatched || n > 0;
    }
    // A full socket (EAGAIN) takes the rest at the next round.
    if (wl_display_flush(m_display) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(m_display);
        return broke("write");
    }
    fds.push_back({wl_display_get_fd(m_display), POLLIN, 0});
    fds.insert(fds.end(), extra.begin(), extra.end());
    ::poll(fds.data(), fds.size(), dispatched ? 0 : timeoutMs);
    std::copy(fds.begin() + 1, fds.end(), extra.begin());
    if (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) {
        if (wl_display_read_events(m_display) < 0)
            return broke("read");
    } else {
        wl_display_cancel_read(m_display);
    }
    if (wl_display_dispatch_pending(m_display) < 0)
        return broke("dispatch");
    return true;
}
