#include "programfolders.h"

#include "platform/files/filereason.h"
#include "platform/services/log.h"

#include <QDir>
#include <QFileInfo>

namespace programfolders {

QString shareFolderOf(const QString &programFolder)
{
    if (programFolder.isEmpty())
        return {};
    const QString share = QDir::cleanPath(QDir(programFolder).filePath(QStringLiteral(MERKOLO_SHARE_FROM_BIN)));
    return QFileInfo(share).isDir() ? share : QString();
}

QString userFolder(const QString &xdgDataHome, const QString &home)
{
    const QString base = !xdgDataHome.isEmpty() && QDir::isAbsolutePath(xdgDataHome)
                             ? xdgDataHome
                             : QDir(home).filePath(QStringLiteral(".local/share"));
    return QDir::cleanPath(QDir(base).filePath(QStringLiteral("merkolo")));
}

Layout detect(const QString &programFolder, const QString &xdgDataHome, const QString &home)
{
    Layout layout;
    layout.shareFolder = shareFolderOf(programFolder);
    layout.installed = !layout.shareFolder.isEmpty();
    if (layout.installed)
        layout.userFolder = userFolder(xdgDataHome, home);
    return layout;
}

QString prepare(const QString &userFolder)
{
    QStringList folders{userFolder};
    for (const char *sub : kSubfolders)
        folders << QDir(userFolder).filePath(QString::fromLatin1(sub));
    for (const QString &folder : folders) {
        QDir().mkpath(folder);
        const QString why = filereason::ofFolder(folder);
        if (!why.isEmpty()) {
            qCWarning(lcFiles) << "folder not usable:" << folder << why;
            return QStringLiteral("Der Ordner für Einstellungen, Texte und Bilder kann nicht angelegt werden:\n%1\n%2\n\n"
                                  "Merkolo nimmt die Zwischenablage trotzdem auf, kann aber nichts speichern.")
                .arg(QDir::toNativeSeparators(folder), why);
        }
    }
    return {};
}

} // namespace programfolders
