#include "platform/files/filereason.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>

namespace filereason {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(QDir::cleanPath(path));
}

} // namespace

QString ofFolder(const QString &folder)
{
    const QFileInfo info(folder);
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
        return QStringLiteral("Auf dem Weg dorthin liegt eine Datei: %1").arg(shown(above));
    if (!base.isWritable())
        return QStringLiteral("Keine Schreibrechte in %1").arg(shown(above));
    return QStringLiteral("Der Ordner lässt sich nicht anlegen.");
}

QString folderMissing(const QString &folder)
{
    const QString why = ofFolder(folder);
    return QStringLiteral("Der Ordner %1 fehlt und kann nicht angelegt werden.").arg(shown(folder))
           + (why.isEmpty() ? QString() : QLatin1Char('\n') + why);
}

QString ofFile(const QString &path, int error, const QString &systemReason)
{
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    if (!QFileInfo(folder).isDir())
        return folderMissing(folder);
    if (target.isSymLink())
        return QStringLiteral("An Stelle der Datei steht eine Verknüpfung (symbolischer Link). Merkolo schreibt "
                              "nicht durch sie hindurch; die Verknüpfung und ihr Ziel bleiben unverändert.");
    if (target.isDir())
        return QStringLiteral("An Stelle der Datei steht ein Ordner.");
    const QString kept = QStringLiteral(" Eine ältere Datei gleichen Namens bleibt unverändert.");
    if (error == EACCES || error == EPERM || !QFileInfo(folder).isWritable())
        return QStringLiteral("Keine Schreibrechte im Ordner %1.").arg(shown(folder)) + kept;
    if (error == ENOSPC || error == EDQUOT)
        return QStringLiteral("Auf dem Datenträger ist kein Platz mehr.") + kept;
    if (error == EROFS)
        return QStringLiteral("Der Datenträger ist schreibgeschützt.") + kept;
    return QStringLiteral("Die Datei konnte nicht vollständig geschrieben werden (%1).").arg(systemReason) + kept;
}

} // namespace filereason
