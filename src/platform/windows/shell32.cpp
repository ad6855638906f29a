#include "platform/windows/shell32.h"

#include "platform/services/log.h"
#include "platform/services/services.h"

#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <map>
#include <set>
#include <utility>

namespace {

struct NotifyIcon {
    int id = 0;
    UINT callbackMessage = 0;
    bool wantsMessages = false;
    QIcon icon;
    QString tip;
};

struct NotificationArea {
    QPointer<TrayService> tray;
    QMetaObject::Connection messages;
    std::map<std::pair<HWND, UINT>, NotifyIcon> icons;
    int nextId = 1;
    std::map<HICON, QIcon> iconHandles;
    HICON nextIconHandle = 0x30010;
};

NotificationArea &area()
{
    static NotificationArea a;
    return a;
}

// Passes a mouse action on an icon to its window, as the shell does.
void deliver(int id, int message)
{
    for (const auto &[key, icon] : area().icons) {
        if (icon.id != id)
            continue;
        if (icon.wantsMessages)
            SendMessageA(key.first, icon.callbackMessage, static_cast<WPARAM>(key.second), message);
        return;
    }
}

void take(NotifyIcon &icon, const NOTIFYICONDATA &data)
{
    if (data.uFlags & NIF_MESSAGE) {
        icon.wantsMessages = true;
        icon.callbackMessage = data.uCallbackMessage;
    }
    if (data.uFlags & NIF_ICON)
        icon.icon = shell32::IconFromHandle(data.hIcon);
    if (data.uFlags & NIF_TIP)
        icon.tip = shell32::TipOf(data);
}

} // namespace

BOOL Shell_NotifyIconA(DWORD dwMessage, const NOTIFYICONDATA &data)
{
    NotificationArea &a = area();
    if (!a.tray || data.cbSize != sizeof(NOTIFYICONDATA))
        return 0;
    const auto key = std::make_pair(data.hWnd, data.uID);
    auto it = a.icons.find(key);
    switch (dwMessage) {
    case NIM_ADD: {
        if (it != a.icons.end())
            return 0;
        NotifyIcon icon;
        icon.id = a.nextId++;
        take(icon, data);
        a.icons.emplace(key, icon);
        return a.tray->setIcon(icon.id, icon.icon, icon.tip) ? 1 : 0;
    }
    case NIM_MODIFY:
        if (it == a.icons.end())
            return 0;
        take(it->second, data);
        return a.tray->setIcon(it->second.id, it->second.icon, it->second.tip) ? 1 : 0;
    case NIM_DELETE: {
        if (it == a.icons.end())
            return 0;
        const int id = it->second.id;
        a.icons.erase(it);
        a.tray->removeIcon(id);
        return 1;
    }
    default:
        return 0;
    }
}

namespace shell32 {

void UseTrayService(TrayService *tray)
{
    NotificationArea &a = area();
    QObject::disconnect(a.messages);
    if (a.tray) {
        for (const auto &[key, icon] : a.icons)
            a.tray->removeIcon(icon.id);
    }
    a.icons.clear();
    a.tray = tray;
    if (tray)
        a.messages = QObject::connect(tray, &TrayService::mouseMessage, tray, &deliver);
}

HICON CreateIconHandle(const QIcon &icon)
{
    if (icon.isNull())
        return 0;
    NotificationArea &a = area();
    const HICON h = a.nextIconHandle;
    a.nextIconHandle += 4;
    a.iconHandles.emplace(h, icon);
    return h;
}

QIcon IconFromHandle(HICON hIcon)
{
    const auto &handles = area().iconHandles;
    auto it = handles.find(hIcon);
    return it == handles.end() ? QIcon() : it->second;
}

void DestroyIconHandle(HICON hIcon)
{
    area().iconHandles.erase(hIcon);
}

void SetTip(NOTIFYICONDATA &data, const QString &tip64)
{
    const QByteArray bytes = tip64.left(64).leftJustified(64, QLatin1Char(' ')).toLatin1();
    for (int i = 0; i < 64; ++i)
        data.szTip[i] = bytes.at(i);
}

QString TipOf(const NOTIFYICONDATA &data)
{
    int n = 0;
    while (n < 64 && data.szTip[n] != '\0')
        ++n;
    return QString::fromLatin1(data.szTip, n);
}

} // namespace shell32

namespace {

QString local8Bit(const char *text)
{
    return text ? QString::fromLocal8Bit(text) : QString();
}

} // namespace

namespace {

// How long the opener is watched: a program that ends in failure later than
// this did open the file (the user has closed it since).
constexpr int kWatchMs = 30000;

// xdg-open, watched until it ends: it reports in its exit status whether the
// program it started could open the file (a browser that refuses to run as
// root, or no program for the file's type, ends it with an error).
bool desktopOpener(const QString &file, const shell32::Opened &finished)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (program.isEmpty()) {
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
            return false;
        finished(true);
        return true;
    }
    // Kept until it ends, and never destroyed while it runs: that would end
    // the program it started. Reachable from here, so never counted as lost.
    static std::set<QProcess *> running;
    auto *process = new QProcess;
    running.insert(process);
    process->setProgram(program);
    // As a file address, encoded, as the toolkit's own opener hands it over.
    process->setArguments({QString::fromLatin1(QUrl::fromLocalFile(file).toEncoded())});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QElapsedTimer clock;
    clock.start();
    auto end = [process, finished, clock](bool ok) {
        if (!running.erase(process))
            return;
        finished(ok || clock.elapsed() > kWatchMs);
        process->deleteLater();
    };
    QObject::connect(process, &QProcess::finished, process, [end](int code, QProcess::ExitStatus status) {
        end(status == QProcess::NormalExit && code == 0);
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [end](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            end(false);
    });
    process->start();
    return true;
}

struct Opening {
    shell32::Opener opener;
    std::function<void(HWND, const QString &)> told;
};

Opening &opening()
{
    static Opening o;
    return o;
}

} // namespace

namespace shell32 {

void UseOpener(Opener opener)
{
    opening().opener = std::move(opener);
}

void OnOpenFailed(std::function<void(HWND hwnd, const QString &file)> told)
{
    opening().told = std::move(told);
}

} // namespace shell32

HINSTANCE ShellExecuteA(HWND hwnd, const char *lpOperation, const char *lpFile, const char *, const char *lpDirectory,
                        int)
{
    const QString verb = local8Bit(lpOperation);
    if (!verb.isEmpty() && verb.compare(QLatin1String("open"), Qt::CaseInsensitive) != 0
        && verb.compare(QLatin1String("explore"), Qt::CaseInsensitive) != 0)
        return SE_ERR_NOASSOC;
    QString file = local8Bit(lpFile);
    file.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (file.isEmpty())
        return SE_ERR_FNF;
    QString directory = local8Bit(lpDirectory);
    if (directory.isEmpty())
        directory = QDir::currentPath();
    const QFileInfo target(QDir(directory), file);
    if (!target.exists()) {
        qCWarning(lcFiles) << "not opened:" << target.absoluteFilePath() << "does not exist";
        return SE_ERR_FNF;
    }
    // Always a local file: a path can never turn into a command or a web address.
    const QString absolute = target.absoluteFilePath();
    const auto finished = [hwnd, absolute](bool opened) {
        if (opened)
            return;
        qCWarning(lcFiles) << "not opened:" << absolute << "the program that should show it failed";
        if (opening().told)
            opening().told(hwnd, absolute);
    };
    const shell32::Opener &opener = opening().opener ? opening().opener : desktopOpener;
    if (!opener(absolute, finished)) {
        qCWarning(lcFiles) << "not opened:" << absolute << "no program opens it";
        return SE_ERR_NOASSOC;
    }
    return 42;
}
