#include "shell32.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace {

QString local8Bit(const char *text)
{
    return text ? QString::fromLocal8Bit(text) : QString();
}

} // namespace

HINSTANCE ShellExecuteA(HWND, const char *lpOperation, const char *lpFile, const char *, const char *lpDirectory,
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
    if (!target.exists())
        return SE_ERR_FNF;
    // Always a local file: a path can never turn into a command or a web address.
    const QUrl url = QUrl::fromLocalFile(target.absoluteFilePath());
    return QDesktopServices::openUrl(url) ? 42 : SE_ERR_NOASSOC;
}
