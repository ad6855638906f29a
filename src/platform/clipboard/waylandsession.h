#pragma once
// Whether the program runs in a Wayland session, and the word for the user
// when it cannot see the copies made in Wayland programs there: without data
// control it learns of them only through Xwayland, which on most desktops
// hands a copy to X11 only while an X11 window has the focus.

#include <QString>

struct WaylandSession {
    QString sessionType; // XDG_SESSION_TYPE
    QString display;     // WAYLAND_DISPLAY
    bool socket = false; // a wayland-N socket in XDG_RUNTIME_DIR
    QString desktop;     // XDG_CURRENT_DESKTOP

    static WaylandSession fromEnvironment();
    bool isWayland() const;
    // The desktop by name for a message, or a word for an unnamed one.
    QString desktopName() const;
    // The compositor's socket, for a reconnect: WAYLAND_DISPLAY, a name in XDG_RUNTIME_DIR unless absolute.
    static QString socketPath();
};

// In German, once at start: copies made in Wayland programs go unseen,
// why and what the user can do; empty when they are seen (data control in
// use, no Wayland session, or GNOME, whose bridge hands every copy to X11).
// `reached`: the compositor WAYLAND_DISPLAY names took the connection.
QString unseenCopiesNotice(const WaylandSession &session, bool dataControl, bool reached = true);
// In German, once when the connection to the compositor broke while running.
QString connectionLostNotice(const WaylandSession &session, bool x11Route);
