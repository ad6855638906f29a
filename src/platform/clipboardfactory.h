#pragma once
// The clipboard the program reads and writes, chosen once at start.

#include "platform/services.h"

#include <memory>

// On X11 the clipboard is read on a thread of its own (an owner that never
// answers must not freeze the program); elsewhere, or when that thread
// cannot connect to the X server, through Qt.
std::unique_ptr<Clipboard> makeClipboard();
