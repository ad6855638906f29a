#pragma once
// A connection of its own to the Wayland compositor and the data-control
// objects on it: the manager (ext_data_control_manager_v1 where offered,
// else zwlr_data_control_manager_v1), the seat's device, offers and sources.
// Both protocols have one shape, so what builds on this class is written
// once for both. One thread uses an object of this class, none other.

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <poll.h>

#include <memory>
#include <span>

struct wl_display;
struct wl_proxy;

class DataControl
{
public:
    // What the compositor tells, called while its events are dispatched.
    class Listener
    {
    public:
        virtual ~Listener() = default;
        // A new offer of another client (or of ours); its types follow.
        virtual void offerIntroduced(wl_proxy *offer) = 0;
        virtual void offerType(wl_proxy *offer, const char *mime) = 0;
        // The clipboard now holds `offer`; null when it is empty.
        virtual void selection(wl_proxy *offer) = 0;
        // The primary selection now holds `offer` (null: empty).
        virtual void primarySelection(wl_proxy *offer) = 0;
        // The device no longer reports anything (its seat is gone).
        virtual void deviceFinished() = 0;
        // Another client asks for `source`'s content as `mime`, to be written to `fd` (ours to close).
        virtual void sendRequested(wl_proxy *source, const char *mime, int fd) = 0;
        // `source` no longer holds the clipboard.
        virtual void sourceCancelled(wl_proxy *source) = 0;
    };

    // Connects to the compositor WAYLAND_DISPLAY names and waits at most
    // `waitMs` for its globals. usable() tells whether data control is there.
    DataControl(Listener &listener, int waitMs);
    ~DataControl();
    DataControl(const DataControl &) = delete;
    DataControl &operator=(const DataControl &) = delete;

    bool usable() const { return m_device != nullptr && !m_broken; }
    // True when the compositor took the connection, whatever it offers.
    bool reached() const { return m_display != nullptr; }
    // The manager's interface and version in use, for the log.
    QByteArray route() const { return m_route; }
    // Why data control cannot be used, for the log; empty when it can.
    QString problem() const { return m_problem; }

    // A source of ours offering `types`; its events go to the listener.
    wl_proxy *createSource(const QByteArrayList &types);
    // Gives the clipboard to `source`; null empties it.
    void setSelection(wl_proxy *source);
    // Asks the owner of `offer` to write its content as `mime` to `fd`.
    void receive(wl_proxy *offer, const QByteArray &mime, int fd);
    void destroyOffer(wl_proxy *offer);
    void destroySource(wl_proxy *source);

    // Sends what was asked, then waits at most `timeoutMs` (-1: no limit)
    // for the compositor or for one of `extra`, and dispatches what the
    // compositor sent; `extra` gets its revents. False once the connection
    // has broken (then only `extra` is waited for).
    bool pump(int timeoutMs, std::span<pollfd> extra = {});

    struct Calls;

private:
    bool broke(const char *what);

    Listener &m_listener;
    const Calls *m_calls = nullptr;
    wl_display *m_display = nullptr;
    wl_proxy *m_manager = nullptr;
    wl_proxy *m_seat = nullptr;
    wl_proxy *m_device = nullptr;
    QByteArray m_route;
    QString m_problem;
    bool m_broken = false;
};
