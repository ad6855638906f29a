#include "realdesktop.h"

#include "app/program.h"
#include "winutil/user32.h"

#include <QCoreApplication>
#include <QDir>

RealDesktop::RealDesktop()
{
    user32::ResetDesktop();
    roots.program = programDir.path();
    roots.current = programDir.path();
    bridge = std::make_unique<ClipboardBridge>(clipboard);
    Services s;
    s.clipboard = &clipboard;
    s.messages = &messages;
    s.beeper = &beeper;
    s.clock = &clock;
    s.roots = &roots;
    forms = std::make_unique<Forms>(s);
    program::wire(*forms);
    forms->setEndHandler([] {});
}

RealDesktop::~RealDesktop()
{
    forms->End();
    forms.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    user32::ResetDesktop();
}
