#pragma once
// The text files the text store saves: where they go and their bytes.

#include <QByteArray>
#include <QString>

#include <optional>

namespace textfile {

// The folder "text" in the program's folder, where texts are saved.
QString folder(const QString &programFolder);
// folder + "Text" + stamp + ".txt".
QString path(const QString &programFolder, const QString &stamp);

// The text in Windows-1252, or nothing when a character has no byte there.
std::optional<QByteArray> toWindows1252(const QString &text);

// What a saved file holds: the text exactly, then CR LF; in Windows-1252
// when every character has a byte there, else UTF-8 after a byte-order mark
// (so that no character is lost).
QByteArray content(const QString &text);

} // namespace textfile
