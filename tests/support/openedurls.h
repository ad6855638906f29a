#pragma once
// Stands in for the desktop's file opener while it exists: records every
// address the program asks it to open, and the pointer shown at that moment.

#include "platform/windows/shell32.h"

#include <QCursor>
#include <QGuiApplication>
#include <QList>
#include <QUrl>

class OpenedUrls
{
public:
    OpenedUrls()
    {
        shell32::UseOpener([this](const QString &file, const shell32::Opened &finished) {
            urls << QUrl::fromLocalFile(file);
            const QCursor *c = QGuiApplication::overrideCursor();
            cursors << (c ? c->shape() : Qt::ArrowCursor);
            finished(true);
            return true;
        });
    }
    ~OpenedUrls() { shell32::UseOpener({}); }
    OpenedUrls(const OpenedUrls &) = delete;
    OpenedUrls &operator=(const OpenedUrls &) = delete;
    QList<QUrl> urls;
    QList<Qt::CursorShape> cursors;
};
