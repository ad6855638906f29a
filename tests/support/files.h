#pragma once
// Reading and writing whole files in tests.

#include <QByteArray>
#include <QString>

// The file's bytes, or "<missing>" when it cannot be read.
QByteArray fileContents(const QString &path);
// Writes the bytes, creating the folders on the way.
void writeFile(const QString &path, const QByteArray &data);
