#pragma once
// The program's windows on the real desktop, in this process: the real
// clipboard and its bridge into the viewer chain; message boxes are recorded
// instead of shown so that no test waits for a click.

#include "support/fakeservices.h"
#include "support/qtprint.h"

#include "forms/forms.h"
#include "platform/clipboard/clipboardbridge.h"
#include "platform/services/qtservices.h"
#include "platform/clipboard/x11/x11clipboard.h"

#include <QTemporaryDir>

#include <memory>

// Everything but the clipboard, opened around the clipboard of `DesktopWith`.
struct DesktopParts {
    void open(Clipboard &clipboard);
    void close();

    FakeMessageBox messages;
    FakeBeeper beeper;
    SystemClock clock;
    FakeRoots roots;
    FakeTray tray;
    QTemporaryDir programDir;
    std::unique_ptr<ClipboardBridge> bridge;
    std::unique_ptr<Forms> forms;
};

// The windows around a real clipboard of type `C` (X11, Wayland).
template <class C> struct DesktopWith : DesktopParts {
    DesktopWith() { open(clipboard); }
    ~DesktopWith() { close(); }
    C clipboard;
};

using RealDesktop = DesktopWith<X11Clipboard>;
