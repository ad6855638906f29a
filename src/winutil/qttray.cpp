#include "qttray.h"

#include "shell32.h"

#include <QCursor>
#include <QMenu>

QtTray::QtTray()
{
    m_host = QSystemTrayIcon::isSystemTrayAvailable();
    // The host (the panel holding the icons) may start, stop or restart at any time.
    m_hostWatch.setInterval(1000);
    connect(&m_hostWatch, &QTimer::timeout, this, &QtTray::watchHost);
    m_hostWatch.start();
}

QtTray::~QtTray()
{
    for (auto &[id, icon] : m_icons) {
        icon->hide();
        delete icon;
    }
}

int QtTray::mouseMessageOf(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Trigger: return WM_LBUTTONUP;
    case QSystemTrayIcon::DoubleClick: return WM_LBUTTONDBLCLK;
    case QSystemTrayIcon::Context: return WM_RBUTTONUP;
    case QSystemTrayIcon::MiddleClick: return WM_MBUTTONUP;
    default: return WM_MOUSEMOVE;
    }
}

bool QtTray::setIcon(int id, const QIcon &icon, const QString &tip)
{
    QSystemTrayIcon *&shown = m_icons[id];
    if (!shown) {
        shown = new QSystemTrayIcon(this);
        connect(
            shown, &QSystemTrayIcon::activated, this,
            [this, id](QSystemTrayIcon::ActivationReason reason) { emit mouseMessage(id, mouseMessageOf(reason)); },
            Qt::QueuedConnection);
    }
    shown->setIcon(icon);
    shown->setToolTip(tip);
    shown->show();
    return hostAvailable();
}

void QtTray::removeIcon(int id)
{
    auto it = m_icons.find(id);
    if (it == m_icons.end())
        return;
    it->second->hide();
    it->second->deleteLater();
    m_icons.erase(it);
}

bool QtTray::hostAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTray::popUp(QMenu &menu)
{
    menu.exec(QCursor::pos());
}

void QtTray::watchHost()
{
    const bool host = QSystemTrayIcon::isSystemTrayAvailable();
    if (host == m_host)
        return;
    m_host = host;
    if (host) {
        // Dock again in the new host.
        for (auto &[id, icon] : m_icons) {
            icon->hide();
            icon->show();
        }
    }
    emit hostAvailableChanged(host);
}
