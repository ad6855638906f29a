#include "realdesktop.h"

#include "app/program.h"
#include "platform/windows/user32.h"
#include "support/testdesktop.h"

#include <QCoreApplication>
#include <QDir>

void DesktopParts::open(Clipboard &clipboard)
{
    user32::ResetDesktop();
    roots.program = programDir.path();
    roots.current = programDir.path();
    bridge = std::make_unique<ClipboardBridge>(clipboard);
    Services s = makeServices(clipboard, messages, beeper, clock, roots);
    s.tray = &tray;
    forms = std::make_unique<Forms>(s);
    program::wire(*forms);
    forms->setEndHandler([] {});
}

void DesktopParts::close()
{
    forms->End();
    forms.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    user32::ResetDesktop();
}
