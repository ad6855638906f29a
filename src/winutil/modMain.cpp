#include "modMain.h"

#include "form.h"
#include "services.h"
#include "shell32.h"

#include <QDir>
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

// The current directory the owner window's services know, else the process's.
QString currentDirectory(HWND owner)
{
    if (auto *form = qobject_cast<Form *>(user32::WidgetFromHandle(owner))) {
        if (Roots *roots = form->services().roots)
            return roots->currentDirectory();
    }
    return QDir::currentPath();
}

} // namespace

void ShellOpen(HWND owner, const QString &path)
{
    Hourglass hourglass;
    const QByteArray file = path.toLocal8Bit();
    const QByteArray directory = currentDirectory(owner).toLocal8Bit();
    ShellExecuteA(owner, "Open", file.constData(), "", directory.constData(), SW_SHOWNORMAL);
}

} // namespace modMain
