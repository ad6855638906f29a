#include "programfolders.h"

#include "platform/log.h"

#include <QDir>
#include <QFileInfo>

namespace programfolders {

namespace {

// Why `path` cannot serve as a writable folder, or empty when it can.
QString obstacle(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return info.isWritable() ? QString() : QStringLiteral("Keine Schreibrechte für diesen Ordner.");
    if (info.exists() || info.isSymLink())
        return QStringLiteral("An seiner Stelle liegt eine Datei.");
    // Missing: the nearest existing folder above it says why it could not be made.
    QString above = info.absolutePath();
    while (!QFileInfo(above).exists() && QFileInfo(above).absolutePath() != above)
        above = QFileInfo(above).absolutePath();
    const QFileInfo base(above);
    if (!base.isDir())
        return QStringLiteral("Auf dem Weg dorthin liegt eine Datei: %1").arg(QDir::toNativeSeparators(above));
    if (!base.isWritable())
        return QStringLiteral("Keine Schreibrechte in %1").arg(QDir::toNativeSeparators(above));
    return QStringLiteral("Der Ordner lässt sich nicht anlegen.");
}

} // namespace

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
        const QString why = obstacle(folder);
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
