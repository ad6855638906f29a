#include "program.h"

#include "textstore/Textform.h"
#include "winutil/clipboardbridge.h"
#include "winutil/forms.h"
#include "winutil/qtservices.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("merkolo"));
    // The program lives on while all its windows are hidden (tray, hidden viewer).
    QApplication::setQuitOnLastWindowClosed(false);

    QtClipboard clipboard;
    ClipboardBridge bridge(clipboard);
    QtMessageBox messages;
    QtBeeper beeper;
    SystemClock clock;
    ProcessRoots roots;
    Services services;
    services.clipboard = &clipboard;
    services.messages = &messages;
    services.beeper = &beeper;
    services.clock = &clock;
    services.roots = &roots;

    Forms forms(services);
    program::wire(forms);
    forms.get<Textform>().Show();
    const int rc = QApplication::exec();
    if (!forms.ended())
        forms.End();
    return rc;
}
