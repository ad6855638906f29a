#pragma once
// What the program asks of the X11 window manager for its own windows:
// window states changed in place (no new native window, no new placement)
// and the frame the manager draws around a window, in device pixels. On
// other platforms the states are only remembered and there is no frame.

#include <QMargins>

#include <functional>
#include <optional>

class QWidget;
class QWindow;

namespace x11window {

// True when the program runs on X11 with a connection to the server.
bool active();

// Window-manager states (_NET_WM_STATE) the program sets.
enum class State {
    Above = 1,       // _NET_WM_STATE_ABOVE: the always-on-top band
    SkipTaskbar = 2, // _NET_WM_STATE_SKIP_TASKBAR: no entry in the task list
};

// Sets or clears a state of one top-level window. A mapped window changes
// through the window manager at once; an unmapped one carries the state in
// the property the manager reads when it maps the window. The state is
// kept and given again each time the window is shown (the manager drops
// the property when a window is withdrawn).
void setState(QWidget *window, State state, bool on);
// The state as asked for the window (its own or the program-wide one).
bool hasState(const QWidget *window, State state);
// The same for every top-level window of the program, also those shown later.
void setStateForAll(State state, bool on);

// A tiling window manager floats a window of a fixed size at its own size
// (its size hints' minimum and maximum are one); a window the user may
// resize floats there too once this is set: each time it is shown, its
// window type names NORMAL first, the type every other window manager
// takes as the first it knows, and DIALOG after it, which sway looks for
// anywhere in the list (_NET_WM_WINDOW_TYPE).
void setFloatingWhenTiled(QWidget *window);

// sway centres a floating X11 window whatever place it states; with this
// set, the window is moved back to its stated place through sway's socket
// each time it is mapped and each time the program moves or resizes it.
// Elsewhere nothing changes.
void keepPlaceWhenTiled(QWidget *window);

// The frame around the window in device pixels (_NET_FRAME_EXTENTS), or
// nothing when no window manager has framed it.
std::optional<QMargins> frameExtents(const QWindow *window);

// Runs `changed` (on the user-interface thread, from the event loop) each
// time the window manager sets the frame of one of the program's windows.
void onFrameChanged(std::function<void(QWindow *)> changed);

} // namespace x11window
