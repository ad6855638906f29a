#pragma once
// Why a folder cannot be used or a file was not written, in German words
// for the user: the one place the stores, the folder buttons and the
// program's folders take their reasons from.

#include <QString>

namespace filereason {

// Why `folder` cannot be written into; empty when it can. For a missing
// folder, what keeps it from being made (a file on the way, no right to
// write in the folder above).
QString ofFolder(const QString &folder);

// "Der Ordner <folder> fehlt und kann nicht angelegt werden." and the reason.
QString folderMissing(const QString &folder);

// Why the file at `path` was not written, once a write has failed: what
// stands in its folder's place or its own (a folder, a link), no right to
// write, a full disk, else the system's words `systemReason`. `error` is the
// failed call's errno (0 when unknown).
QString ofFile(const QString &path, int error, const QString &systemReason);

} // namespace filereason
