#pragma once
// Reading and writing whole files in tests.

#include <QByteArray>
#include <QImage>
#include <QString>

// The file's bytes, or "<missing>" when it cannot be read.
QByteArray fileContents(const QString &path);
// Writes the bytes, creating the folders on the way.
void writeFile(const QString &path, const QByteArray &data);
// The picture encoded in `format` ("PNG", "BMP", ...), as a file of that type holds it.
QByteArray encoded(const QImage &image, const char *format);
