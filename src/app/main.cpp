#include "program.h"

#include "textstore/Textform.h"
#include "winutil/clipboardbridge.h"
#include "winutil/forms.h"
#include "winutil/qtservices.h"
#include "winutil/x11clipboard.h"

#include <QApplication>

#include <memory>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("merkolo"));
    // The program lives on while all its windows are hidden (tray, hidden viewer).
    QApplication::setQuitOnLastWindowClosed(false);

    // On X11 the clipboard is read off the user-interface thread (an owner
    // that never answers must not freeze the program); elsewhere through Qt.
    std::unique_ptr<Clipboard> clipboard;
    if (X11Clipboard::available())
        clipboard = std::make_unique<X11Clipboard>();
    else
        clipboard = std::make_unique<QtClipboard>();
    ClipboardBridge bridge(*clipboard);
    QtMessageBox messages;
    QtBeeper beeper;
    SystemClock clock;
    ProcessRoots roots;
    Services services;
    services.clipboard = clipboard.get();
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
