#include "platform/files/filesave.h"

#include "platform/files/filereason.h"
#include "platform/services/log.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <unistd.h>

namespace filesave {

namespace {

// Logs the failure in the system's words and gives the user's reason in German.
bool fail(const QString &path, QString *error, int errnoValue, const QString &systemReason)
{
    qCWarning(lcFiles) << "not written:" << path << systemReason;
    if (error)
        *error = filereason::ofFile(path, errnoValue, systemReason);
    return false;
}

} // namespace

bool writeWhole(const QString &path, const std::function<bool(QIODevice &)> &writer, QString *error)
{
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    // mkpath also fails when a file stands where the folder should be.
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return fail(path, error, 0, QStringLiteral("folder cannot be created"));
    // A link at the file's name is never written through (QSaveFile would
    // replace the file it points to); a dangling one neither.
    if (target.isSymLink())
        return fail(path, error, 0, QStringLiteral("a symbolic link has that name"));
    if (target.isDir())
        return fail(path, error, 0, QStringLiteral("a folder has that name"));
    QSaveFile file(path);
    // Never write in place: a direct write that fails half-way would leave half a file.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly)) {
        const int e = errno;
        return fail(path, error, e, file.errorString());
    }
    // A link put there while the file was being opened would be followed by the final rename.
    if (QFileInfo(path).isSymLink()) {
        file.cancelWriting();
        return fail(path, error, 0, QStringLiteral("a symbolic link has that name"));
    }
    if (!writer(file)) {
        const int e = errno;
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(path, error, e, reason);
    }
    // What the writer left in the buffer reaches the disk here. commit()
    // would flush it too, but a failure of that last flush (a full disk,
    // with a small file, shows only there) does not stop it from putting
    // the short file in place of the old one; neither does a failed sync.
    if (!file.flush() || ::fsync(file.handle()) != 0) {
        const int e = errno;
        const QString reason = file.error() != QFileDevice::NoError ? file.errorString() : qt_error_string(e);
        file.cancelWriting();
        return fail(path, error, e, reason);
    }
    if (!file.commit()) {
        const int e = errno;
        return fail(path, error, e, file.errorString());
    }
    return true;
}

bool writeWhole(const QString &path, const QByteArray &content, QString *error)
{
    return writeWhole(
        path, [&content](QIODevice &out) { return out.write(content) == content.size(); }, error);
}

} // namespace filesave
