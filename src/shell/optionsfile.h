#pragma once
// The two options files beside the program: one check-box value a line,
// written " 1 " CR LF. Pure functions over bytes and lines, plus the two
// calls that touch the disk.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace optionsfile {

// Reading looks at no more of a file than this; an options line is a few characters.
constexpr qint64 kReadLimit = 4096;

// "\einstellung\optionen.txt" (image store) and "\einstellung\optionen2.txt"
// (text store), appended to the program's folder.
QString imagePath(const QString &programFolder);
QString textPath(const QString &programFolder);

// One line per value: the number with one blank before and one after, then CR LF.
QByteArray format(const std::vector<int> &values);

// The first `count` lines of `head`. A line ends at CR LF, a lone CR or a lone
// LF; when `wholeFile`, also at the end of `head`. A line that is still open
// at the end of a cut-off head is not a line.
QStringList splitLines(const QByteArray &head, bool wholeFile, int count);

// The first `count` lines of a regular file, read from at most kReadLimit
// bytes; nothing when it is missing, not a regular file or unreadable.
QStringList readLines(const QString &path, int count);

// What `reads` successive line reads put into a check box: a read past the
// last line fails and the line read before is assigned again; a text that is
// not 0, 1 or 2 (after rounding halves to even) assigns nothing.
std::vector<std::optional<int>> assignments(const QStringList &lines, int reads);

// Replaces the file as a whole or not at all, creating its folder when
// missing. False when it could not be written.
bool write(const QString &path, const QByteArray &content);

} // namespace optionsfile
