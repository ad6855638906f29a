#include "forms/modMain.h"

#include "forms/form.h"
#include "platform/services/services.h"
#include "platform/windows/shell32.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace modMain {

namespace {

// The hourglass for as long as the object lives, however the call ends.
struct Hourglass {
    Hourglass() { QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~Hourglass() { QGuiApplication::restoreOverrideCursor(); }
    Hourglass(const Hourglass &) = delete;
    Hourglass &operator=(const Hourglass &) = delete;
};

// The folder a relative path is opened from: the current directory the owner
// window's services know (else the process's), or their shared folder when
// only that one holds the path (the help page of an installed program).
QString directoryFor(HWND owner, const QString &path)
{
    QString shared;
    QString current = QDir::currentPath();
    if (auto *form = qobject_cast<Form *>(user32::WidgetFromHandle(owner))) {
        if (Roots *roots = form->services().roots) {
            current = roots->currentDirectory();
            shared = roots->sharedFolder();
        }
    }
    QString relative = path;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!shared.isEmpty() && !relative.isEmpty() && !QFileInfo(QDir(current), relative).exists()
        && QFileInfo(QDir(shared), relative).exists())
        return shared;
    return current;
}

// Tells the user, in a message of the window `owner`, that `path` could not be opened and why.
void tellNotOpened(HWND owner, const QString &path, const QString &why)
{
    auto *form = qobject_cast<Form *>(user32::WidgetFromHandle(owner));
    if (!form || !form->services().messages)
        return; // the window has gone meanwhile: the log has it
    form->services().messages->show(
        QStringLiteral("Konnte nicht geöffnet werden: ") + QDir::toNativeSeparators(path) + QLatin1Char('\n') + why,
        vbOKOnly, QString());
}

} // namespace

void ShellOpen(HWND owner, const QString &path)
{
    // The shell's own word on a program that failed after it had started, as a message of the window.
    shell32::OnOpenFailed([](HWND hwnd, const QString &file) {
        tellNotOpened(hwnd, file,
                      QStringLiteral("Das Programm, das es anzeigen sollte, ließ sich nicht starten oder ist mit "
                                     "einem Fehler beendet worden."));
    });
    QString relative = path;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString directory = directoryFor(owner, path);
    HINSTANCE result = 0;
    {
        Hourglass hourglass;
        const QByteArray file = path.toLocal8Bit();
        const QByteArray folder = directory.toLocal8Bit();
        result = ShellExecuteA(owner, "Open", file.constData(), "", folder.constData(), SW_SHOWNORMAL);
    }
    if (result > 32)
        return;
    const QString shown = QDir::cleanPath(QDir(directory).absoluteFilePath(relative));
    tellNotOpened(owner, shown,
                  result == SE_ERR_FNF ? QStringLiteral("Die Datei oder der Ordner fehlt.")
                                       : QStringLiteral("Es ist kein Programm eingerichtet, das es öffnet."));
}

void OpenHelp(HWND owner)
{
    ShellOpen(owner, QStringLiteral("mk-hilfe\\index.html"));
}

} // namespace modMain
