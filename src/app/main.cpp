#include "endsignals.h"
#include "historycontrol.h"
#include "program.h"
#include "programfolders.h"
#include "runtimefolder.h"
#include "singleinstance.h"

#include "forms/forms.h"
#include "platform/clipboard/clipboardbridge.h"
#include "platform/clipboard/clipboardfactory.h"
#include "platform/clipboard/memoryreturn.h"
#include "platform/services/qtservices.h"
#include "platform/windows/qttray.h"
#include "shell/Starter.h"
#include "shell/starterart.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

#include <memory>

namespace {

const char kHelp[] =
    "Aufruf: merkolo [--verlauf=an|--verlauf=aus]\n"
    "\n"
    "Merkolo sammelt, was in die Zwischenablage kopiert wird: Texte im\n"
    "Text-Speicher, Bilder in den zehn Plätzen des Bilder-Speichers.\n"
    "\n"
    "  --verlauf=an   Die Speicher behalten ihren Inhalt über das Programmende\n"
    "                 hinaus (verlauf/verlauf.sqlite im Ordner des Programms\n"
    "                 oder je Benutzer). Die Einstellung bleibt gespeichert.\n"
    "  --verlauf=aus  Kein Verlauf mehr (Vorgabe); fragt, ob der gespeicherte\n"
    "                 Verlauf gelöscht werden soll.\n"
    "  --help         Diese Hilfe.\n"
    "\n"
    "Läuft Merkolo schon, gibt ein zweiter Start die Einstellung an das\n"
    "laufende Programm weiter.\n";

} // namespace

int main(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (arguments.contains(QLatin1String("--help")) || arguments.contains(QLatin1String("-h"))) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    const historyswitch::Request historyRequest = historyswitch::fromArguments(arguments);
    if (historyRequest == historyswitch::Request::Bad) {
        std::fputs("merkolo: --verlauf kennt nur „an“ und „aus“.\n", stderr);
        return 2;
    }
    memoryreturn::mapLargeBuffersApart();
    // The windows live on X11, on Wayland desktops through Xwayland: the
    // program places and stacks them itself, which Wayland leaves to the
    // compositor. The clipboard finds its own way (clipboardfactory.h).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // Before the toolkit starts: it looks for the runtime folder while it sets up.
    runtimefolder::ensure();
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

    QtMessageBox messages;

    // One program per user and display (per Wayland desktop, where it runs
    // in one): a second start brings the running one forward and ends.
    SingleInstance instance(QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation),
                            qEnvironmentVariable("DISPLAY", QGuiApplication::platformName()),
                            qEnvironmentVariable("WAYLAND_DISPLAY"));
    instance.setRequest(historyswitch::requestLine(historyRequest));
    switch (instance.start()) {
    case SingleInstance::Start::First:
        break;
    case SingleInstance::Start::Forwarded:
        return 0;
    case SingleInstance::Start::Refused:
        messages.show(instance.problem(), vbOKOnly, QString());
        return 1;
    case SingleInstance::Start::Unguarded:
        messages.show(instance.problem(), vbOKOnly, QString());
        break;
    }

    // Installed, the program keeps its files in a folder per user.
    const programfolders::Layout layout = programfolders::detect(
        QCoreApplication::applicationDirPath(), qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
    QString folderProblem;
    if (layout.installed) {
        folderProblem = programfolders::prepare(layout.userFolder);
        if (folderProblem.isEmpty())
            QDir::setCurrent(layout.userFolder);
    }
    ProcessRoots roots = layout.installed ? ProcessRoots(layout.userFolder, layout.shareFolder) : ProcessRoots();

    const std::unique_ptr<Clipboard> clipboard = makeClipboard();
    ClipboardBridge bridge(*clipboard);
    QtBeeper beeper;
    SystemClock clock;
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
    QObject::connect(&instance, &SingleInstance::forwardRequested, &instance, [&forms] { program::bringForward(forms); });
    // Before any store loads, so that it shows what the history kept.
    HistoryControl history(forms, roots.programFolder());
    history.start(historyRequest);
    QObject::connect(&instance, &SingleInstance::requested, &history, [&history](const QByteArray &request) {
        history.apply(historyswitch::fromRequestLine(request));
    });
    // Ended from outside (logout, kill), the program closes as its EXIT entry does.
    EndSignals endSignals([&forms] { forms.End(); });
    forms.get<Starter>().Show();
    // Told once the selector shows; the program works on meanwhile.
    if (!folderProblem.isEmpty())
        QTimer::singleShot(0, &app, [&messages, folderProblem] { messages.show(folderProblem, vbOKOnly, QString()); });
    const int rc = QApplication::exec();
    if (!forms.ended())
        forms.End();
    return rc;
}
