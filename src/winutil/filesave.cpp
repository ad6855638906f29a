#include "filesave.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace filesave {

namespace {
bool fail(QString *error, const QString &reason)
{
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
        return fail(error, QStringLiteral("folder cannot be created"));
    if (target.isDir())
        return fail(error, QStringLiteral("a folder has that name"));
    QSaveFile file(path);
    // Never write in place: a direct write that fails half-way would leave half a file.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, file.errorString());
    if (!writer(file)) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(error, reason);
    }
    // commit() flushes, syncs and renames; a full disk shows here at the latest.
    if (!file.commit())
        return fail(error, file.errorString());
    return true;
}

bool writeWhole(const QString &path, const QByteArray &content, QString *error)
{
    return writeWhole(
        path, [&content](QIODevice &out) { return out.write(content) == content.size(); }, error);
}

} // namespace filesave
