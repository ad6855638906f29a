#pragma once
// Writing a file as a whole or not at all: the content goes into a new file
// beside the target, which is moved into place only once it is complete on
// disk. A failed write leaves an existing file exactly as it was. A link at
// the file's name is never written through: such a write is refused.

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

namespace filesave {

// Writes `content` to `path`, creating the folder (and its parents) when
// missing. On failure returns false and puts the reason, in German words
// for the user (filereason.h), into `error`.
bool writeWhole(const QString &path, const QByteArray &content, QString *error = nullptr);

// The same with a writer that streams into the new file; a writer returning
// false abandons the new file.
bool writeWhole(const QString &path, const std::function<bool(QIODevice &)> &writer, QString *error = nullptr);

} // namespace filesave
