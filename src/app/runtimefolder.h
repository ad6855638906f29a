#pragma once
// The user's runtime folder (XDG_RUNTIME_DIR), where the lock file and the
// socket of the one running program live. Without one the toolkit picks a
// folder of its own and complains on every start, so the program chooses
// it first, private to the user, and tells the toolkit through the variable.

#include <QString>
#include <QStringList>

#include <sys/types.h>

namespace runtimefolder {

// Makes `path` a folder of the user `owner` that only they may enter (mode
// 0700): made when missing, narrowed when it is theirs and wider. False
// when anything else stands there (a link, a file, another user's folder)
// or it cannot be made.
bool makePrivate(const QString &path, uid_t owner);

// The places tried, in order: "runtime-<user>" in the temporary folder (the
// toolkit's own choice), then "merkolo-runtime" in the user's cache folder.
QStringList candidates(const QString &tempFolder, const QString &userName, const QString &cacheFolder);

// When XDG_RUNTIME_DIR is unset or empty, sets it to the first candidate
// that can be made private; to be called before the toolkit starts. The
// folder in use afterwards (empty when none).
QString ensure();

} // namespace runtimefolder
