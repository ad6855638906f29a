#pragma once
// The clipboard the program reads and writes, chosen once at start.

#include "platform/services/services.h"

#include <memory>

// Where WAYLAND_DISPLAY names a compositor that offers data control, the
// clipboard is read and written through it (wayland/waylandclipboard.h);
// else on X11 on a thread of its own (an owner that never answers must not
// freeze the program); elsewhere, or when that thread cannot connect to the
// X server, through Qt. The route taken is logged (merkolo.clipboard, info).
// In a Wayland session where copies made in Wayland programs cannot be seen,
// the clipboard says so once (Clipboard::notice) when the event loop runs.
std::unique_ptr<Clipboard> makeClipboard();
