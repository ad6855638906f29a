#include "testdesktop.h"

#include "app/program.h"
#include "platform/windows/shell32.h"
#include "platform/windows/user32.h"

#include <QCoreApplication>
#include <QEvent>

TestDesktop::TestDesktop()
{
    user32::ResetDesktop();
    roots.program = programDir.path();
    roots.current = currentDir.path();
    bridge = std::make_unique<ClipboardBridge>(clipboard);
    forms = std::make_unique<Forms>(services());
    program::wire(*forms);
    forms->setEndHandler([this] { ++endCount; });
}

TestDesktop::~TestDesktop()
{
    tray.onRemove = nullptr;
    tray.onAdd = nullptr;
    tray.whileOpen = nullptr;
    forms.reset();
    flushDeletes();
    shell32::UseTrayService(nullptr);
    user32::ResetDesktop();
}

Services makeServices(Clipboard &clipboard, FakeMessageBox &messages, FakeBeeper &beeper, Clock &clock,
                      FakeRoots &roots)
{
    Services s;
    s.clipboard = &clipboard;
    s.messages = &messages;
    s.beeper = &beeper;
    s.clock = &clock;
    s.roots = &roots;
    return s;
}

Services TestDesktop::services()
{
    Services s = makeServices(clipboard, messages, beeper, clock, roots);
    s.tray = &tray;
    return s;
}

void TestDesktop::flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
