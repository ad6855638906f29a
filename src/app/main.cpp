#include "program.h"

#include "shell/Starter.h"
#include "shell/starterart.h"
#include "winutil/clipboardbridge.h"
#include "winutil/forms.h"
#include "winutil/qtservices.h"
#include "winutil/qttray.h"
#include "winutil/x11clipboard.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("merkolo"));
    // The program lives on while all its windows are hidden (tray, hidden viewer).
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setWindowIcon(starterart::programIcon());

    // The toolkit's own texts (standard buttons, edit menus, key names) in German.
    QTranslator qtGerman;
    if (qtGerman.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtGerman);

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
    QtTray tray;
    Services services;
    services.clipboard = clipboard.get();
    services.messages = &messages;
    services.beeper = &beeper;
    services.clock = &clock;
    services.roots = &roots;
    services.tray = &tray;

    Forms forms(services);
    program::wire(forms);
    forms.get<Starter>().Show();
    const int rc = QApplication::exec();
    if (!forms.ended())
        forms.End();
    return rc;
}
