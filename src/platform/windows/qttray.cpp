#include "platform/windows/qttray.h"

#include "platform/services/log.h"
#include "platform/services/qtservices.h"
#include "platform/windows/shell32.h"
#include "platform/windows/x11trayhost.h"
#include "platform/windows/x11window.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>

QtTray::QtTray()
    : m_held(new QTimer(this))
{
    m_held->setSingleShot(true);
    connect(m_held, &QTimer::timeout, this, &QtTray::releaseHeld);
    // The host (the panel holding the icons) may start, stop or restart at
    // any time; on X11 it says so with events, so nothing needs polling.
    if (X11TrayHost::available()) {
        auto *host = new X11TrayHost(this);
        connect(host, &X11TrayHost::changed, this, &QtTray::hostChanged);
    }
    qCInfo(lcTray) << (hostAvailable() ? "a notification area is there" : "no notification area yet");
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

int QtTray::mouseMessageOf(QEvent::Type type, Qt::MouseButton button)
{
    // Windows numbers the messages of a button down, up, double-click.
    int down = 0;
    switch (button) {
    case Qt::LeftButton: down = WM_LBUTTONDOWN; break;
    case Qt::RightButton: down = WM_RBUTTONDOWN; break;
    case Qt::MiddleButton: down = WM_MBUTTONDOWN; break;
    default: return 0;
    }
    switch (type) {
    case QEvent::MouseButtonPress: return down;
    case QEvent::MouseButtonRelease: return down + 1;
    case QEvent::MouseButtonDblClick: return down + 2;
    default: return 0;
    }
}

void QtTray::followIconWindow(int id)
{
    // In an XEmbed host the icon is a window of the program's own, which
    // sees each press and release. The toolkit's activations would report
    // a right click at its press, opening the menu under the held button,
    // whose release then lands in the open menu; the shell reports the
    // click at its release (WM_RBUTTONUP), and so does this, once the
    // release cannot be the first half of a double-click.
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->objectName() != QLatin1String("QSystemTrayIconSys") || m_iconWindows.count(w))
            continue;
        m_iconWindows[w] = id;
        w->installEventFilter(this);
        // The toolkit asks the host for the usual 22 x 22 in its own pixels,
        // which a scale factor makes larger than the host's slot, and the host
        // gives a slot that wide with the picture at one end. The host
        // counts the screen's pixels; the picture fills what it is given.
        const QSize usual = QSize(22, 22) / w->devicePixelRatioF();
        w->setMinimumSize(usual);
        w->resize(usual);
        connect(w, &QObject::destroyed, this, [this, w] { m_iconWindows.erase(w); });
    }
}

bool QtTray::eventFilter(QObject *watched, QEvent *event)
{
    const auto it = m_iconWindows.find(watched);
    const QEvent::Type t = event->type();
    if (it == m_iconWindows.end()
        || (t != QEvent::MouseButtonPress && t != QEvent::MouseButtonRelease && t != QEvent::MouseButtonDblClick))
        return false;
    const Qt::MouseButton button = static_cast<QMouseEvent *>(event)->button();
    const int message = mouseMessageOf(t, button);
    if (!message)
        return true;
    const bool sameButtonHeld = m_held->isActive() && m_heldButton == button;
    if (t == QEvent::MouseButtonDblClick && sameButtonHeld)
        m_held->stop(); // the first of the two clicks was no click
    else if (m_held->isActive() && !(t == QEvent::MouseButtonPress && sameButtonHeld))
        releaseHeld(); // a click before this one, of this button or another
    if (t == QEvent::MouseButtonDblClick) {
        m_doubleClicked |= button;
        report(it->second, message);
    } else if (t == QEvent::MouseButtonRelease && m_doubleClicked.testFlag(button)) {
        m_doubleClicked &= ~button;
    } else if (t == QEvent::MouseButtonRelease) {
        m_heldId = it->second;
        m_heldMessage = message;
        m_heldButton = button;
        m_held->start(QApplication::doubleClickInterval());
    } else {
        report(it->second, message);
    }
    return true; // not a second time as the toolkit's activation
}

void QtTray::report(int id, int message)
{
    QMetaObject::invokeMethod(this, [this, id, message] { emit mouseMessage(id, message); }, Qt::QueuedConnection);
}

void QtTray::releaseHeld()
{
    m_held->stop();
    report(m_heldId, m_heldMessage);
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
    followIconWindow(id);
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

void QtTray::hostChanged(bool present)
{
    qCInfo(lcTray) << (present ? "a notification area appeared" : "the notification area went away");
    if (present) {
        // Dock again in the new host.
        for (auto &[id, icon] : m_icons) {
            icon->hide();
            icon->show();
            followIconWindow(id);
        }
    }
    emit hostAvailableChanged(present);
}

void QtTray::setTaskVisible(bool visible)
{
    m_taskVisible = visible;
    x11window::setStateForAll(x11window::State::SkipTaskbar, !visible);
}

void QtTray::notify(const QString &title, const QString &text)
{
    for (auto &[id, icon] : m_icons) {
        if (icon->isVisible() && hostAvailable()) {
            icon->showMessage(title, text, QSystemTrayIcon::Warning, 10000);
            return;
        }
    }
    // Never silently: a notice that needs no answer and blocks nothing.
    qCInfo(lcTray) << "no icon in a notification area: the notice goes into a window of its own";
    auto *box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::NoButton,
                                QApplication::activeWindow());
    box->setTextFormat(Qt::PlainText);
    box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    keepAboveTheProgram(box);
    box->show();
}
