#include "forms/modMain.h"

#include "forms/form.h"
#include "platform/services.h"
#include "platform/shell32.h"

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

} // namespace

void ShellOpen(HWND owner, const QString &path)
{
    Hourglass hourglass;
    const QByteArray file = path.toLocal8Bit();
    const QByteArray directory = directoryFor(owner, path).toLocal8Bit();
    ShellExecuteA(owner, "Open", file.constData(), "", directory.constData(), SW_SHOWNORMAL);
}

void OpenHelp(HWND owner)
{
    ShellOpen(owner, QStringLiteral("mk-hilfe\\index.html"));
}

} // namespace modMain
