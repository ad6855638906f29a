#include "runtimefolder.h"

#include "platform/services/log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace runtimefolder {

namespace {

QString userName(uid_t uid)
{
    passwd entry{};
    passwd *found = nullptr;
    char buffer[4096];
    if (getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    return QString::number(uid);
}

} // namespace

bool makePrivate(const QString &path, uid_t owner)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) {
        if (!QDir().mkpath(QFileInfo(path).absolutePath()) || ::mkdir(native.constData(), 0700) != 0)
            return false;
        if (::lstat(native.constData(), &st) != 0)
            return false;
    }
    // lstat: a link is refused however it points, and so is anything not the user's own.
    if (!S_ISDIR(st.st_mode) || st.st_uid != owner)
        return false;
    return (st.st_mode & 07777) == 0700 || ::chmod(native.constData(), 0700) == 0;
}

QStringList candidates(const QString &tempFolder, const QString &userName, const QString &cacheFolder)
{
    return {QDir(tempFolder).filePath(QStringLiteral("runtime-") + userName),
            QDir(cacheFolder).filePath(QStringLiteral("merkolo-runtime"))};
}

QString ensure()
{
    const QString given = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!given.isEmpty())
        return given;
    const QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    const QString cacheFolder = QDir::isAbsolutePath(cache) ? cache : QDir::home().filePath(QStringLiteral(".cache"));
    const uid_t me = ::geteuid();
    for (const QString &folder : candidates(QDir::tempPath(), userName(me), cacheFolder)) {
        if (makePrivate(folder, me)) {
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder));
            qCDebug(lcInstance) << "XDG_RUNTIME_DIR not set; using" << folder;
            return folder;
        }
        qCDebug(lcInstance) << "not usable as the runtime folder:" << folder;
    }
    return {};
}

} // namespace runtimefolder
