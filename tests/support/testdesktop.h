#pragma once
// A fresh desktop for one test: fake services, the clipboard bridge, a
// window registry wired like the program's, and temporary folders.

#include "fakeservices.h"
#include "qtprint.h"

#include "forms/forms.h"
#include "platform/clipboard/clipboardbridge.h"

#include <QTemporaryDir>

#include <memory>

// The services of a test, from whatever clipboard it uses and the fakes.
Services makeServices(Clipboard &clipboard, FakeMessageBox &messages, FakeBeeper &beeper, Clock &clock,
                      FakeRoots &roots);

struct TestDesktop {
    TestDesktop();
    ~TestDesktop();

    FakeClipboard clipboard;
    FakeMessageBox messages;
    FakeBeeper beeper;
    FakeClock clock;
    FakeRoots roots;
    FakeTray tray;
    QTemporaryDir programDir;
    QTemporaryDir currentDir;
    std::unique_ptr<ClipboardBridge> bridge;
    std::unique_ptr<Forms> forms;
    int endCount = 0;

    Services services();
    // Deletes windows that unloaded themselves.
    static void flushDeletes();
};
