#pragma once
// Stands in for the desktop's file opener while it exists: records every
// address the program asks it to open, and the pointer shown at that moment.

#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QList>
#include <QObject>
#include <QUrl>

class OpenedUrls : public QObject
{
    Q_OBJECT
public:
    OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> urls;
    QList<Qt::CursorShape> cursors;

public slots:
    void open(const QUrl &url)
    {
        urls << url;
        const QCursor *c = QGuiApplication::overrideCursor();
        cursors << (c ? c->shape() : Qt::ArrowCursor);
    }
};
