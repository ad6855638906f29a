#include "platform/filesave.h"

#include "platform/log.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <unistd.h>

namespace filesave {

namespace {
bool fail(const QString &path, QString *error, const QString &reason)
{
    qCWarning(lcFiles) << "not written:" << path << reason;
    if (error)
        *error = reason;
    return false;
}
} // namespace

bool writeWhole(const QString &path, const std::function<bool(QIODevice &)> &writer, QString *error)
{
    const QFileInfo target(path);
    const QString folder = target.absolutePath();
    // mkpath also fails when a file stands where the folder should be.
    if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        return fail(path, error, QStringLiteral("folder cannot be created"));
    if (target.isDir())
        return fail(path, error, QStringLiteral("a folder has that name"));
    QSaveFile file(path);
    // Never write in place: a direct write that fails half-way would leave half a file.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return fail(path, error, file.errorString());
    if (!writer(file)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(path, error, reason);
    }
    // What the writer left in the buffer reaches the disk here. commit()
    // would flush it too, but a failure of that last flush (a full disk,
    // with a small file, shows only there) does not stop it from putting
    // the short file in place of the old one; neither does a failed sync.
    if (!file.flush() || ::fsync(file.handle()) != 0) {
        const QString reason = file.error() != QFileDevice::NoError ? file.errorString() : qt_error_string(errno);
        file.cancelWriting();
        return fail(path, error, reason);
    }
    if (!file.commit())
        return fail(path, error, file.errorString());
    return true;
}

bool writeWhole(const QString &path, const QByteArray &content, QString *error)
{
    return writeWhole(
        path, [&content](QIODevice &out) { return out.write(content) == content.size(); }, error);
}

} // namespace filesave
