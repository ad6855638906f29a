// The selector window's notification icon and its menu "Menu".

#include "Starter.h"

#include "forms/Modulevordergrund.h"
#include "forms/forms.h"
#include "forms/twips.h"
#include "forms/vbnum.h"
#include "imagestore/Formbilder.h"
#include "textstore/Textform.h"

#include <QMoveEvent>
#include <QPointer>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>

void Starter::buildMenu()
{
    mnBar = new QMenu(QStringLiteral("Menu"), this);
    auto entry = [this](const QString &caption, const QKeySequence &shortcut = {}) {
        QAction *a = mnBar->addAction(caption);
        a->setShortcut(shortcut);
        return a;
    };
    hilfefenster1 = entry(QStringLiteral("Hilfe Fenster"), QKeySequence(Qt::Key_F1));
    leer4 = mnBar->addSeparator();
    zwischenablageleeren = entry(QStringLiteral("Bilder+Zwischenablage-Leeren"));
    leer3 = mnBar->addSeparator();
    mnMsgShow = entry(QStringLiteral("Bilder-Speicher"), QKeySequence(Qt::CTRL | Qt::Key_B));
    leer = mnBar->addSeparator();
    mnBeep = entry(QStringLiteral("Text-Speicher Fenster klein"), QKeySequence(Qt::CTRL | Qt::Key_T));
    mnNix = entry(QStringLiteral("Text-Speicher Fenster gross"), QKeySequence(Qt::CTRL | Qt::Key_G));
    leer1 = mnBar->addSeparator();
    startfenster1 = entry(QStringLiteral("Startfenster"), QKeySequence(Qt::CTRL | Qt::Key_S));
    mnExit = entry(QStringLiteral("Ende"), QKeySequence(Qt::CTRL | Qt::Key_E));

    // The shortcuts work while the menu bar shows, as the menu's own would.
    m_menuBar = new QMenuBar(this);
    m_menuBar->addMenu(mnBar);
    setMenuBarVisible(false);
}

bool Starter::menuBarVisible() const
{
    return mnBar->menuAction()->isVisible() && !m_menuBar->isHidden();
}

void Starter::setMenuBarVisible(bool on)
{
    mnBar->menuAction()->setVisible(on);
    m_menuBar->setVisible(on);
    const int bar = on ? m_menuBar->sizeHint().height() : 0;
    m_menuBar->setGeometry(0, 0, twips::toPixelsX(kClientWidth), bar);
    m_body->move(0, bar);
    fitWindowToMenuBar(false);
}

void Starter::fitWindowToMenuBar(bool evenUnframed)
{
    // The menu bar lies above the client area, which keeps its size.
    const int bar = m_menuBar->isHidden() ? 0 : m_menuBar->height();
    const QSize wanted(twips::toPixelsX(kClientWidth), twips::toPixelsY(kClientHeight) + bar);
    if (size() == wanted)
        return;
    // Resizing a window that is hidden or not yet framed makes the toolkit
    // forget the frame, and the window would come back shifted by it; so
    // the size follows once the window manager has framed the window again.
    const QWindow *w = windowHandle();
    const bool framed = isVisible() && w && !w->frameMargins().isNull();
    if (framed || (isVisible() && evenUnframed) || !w)
        setFixedSize(wanted);
}

void Starter::moveEvent(QMoveEvent *event)
{
    Form::moveEvent(event);
    fitWindowToMenuBar(false);
}

void Starter::showEvent(QShowEvent *event)
{
    Form::showEvent(event);
    fitWindowToMenuBar(false);
    // Without a window manager no frame ever comes.
    QTimer::singleShot(500, this, [this] { fitWindowToMenuBar(true); });
}

void Starter::setTaskVisible(bool on)
{
    if (TrayService *tray = services().tray)
        tray->setTaskVisible(on);
}

bool Starter::trayPresent() const
{
    TrayService *tray = services().tray;
    return tray && tray->hostAvailable();
}

void Starter::stayReachable()
{
    showRestored();
    setTaskVisible(true);
    setMenuBarVisible(true);
}

void Starter::trayHostChanged(bool present)
{
    // The icon was the only way back; without it the selector shows itself.
    if (!present && !m_ending && !isUnloaded() && isHidden())
        stayReachable();
}

void Starter::GoToTray()
{
    Hide();
    setTaskVisible(false);
    setMenuBarVisible(false);
    TrayIcon.cbSize = sizeof(NOTIFYICONDATA);
    TrayIcon.hWnd = m_picture4;
    TrayIcon.uID = 1;
    TrayIcon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIcon.uCallbackMessage = WM_MOUSEMOVE;
    TrayIcon.hIcon = m_icon;
    shell32::SetTip(TrayIcon, QStringLiteral("Merkolo") + QChar(0));
    Shell_NotifyIconA(NIM_ADD, TrayIcon); // an icon already there stays as it is
    if (!trayPresent())
        stayReachable();
}

void Starter::Picture5_Click()
{
    GoToTray();
}

void Starter::Label4_Click()
{
    GoToTray();
}

LRESULT Starter::picture4Proc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_MOUSEMOVE) {
        // Picture4 measures in twips: the shell's number arrives as pixels.
        Picture4_MouseMove(0, 0, lParam * twips::perPixelX(), 0);
        return 0;
    }
    return user32::DefWindowProcA(hWnd, msg, wParam, lParam);
}

void Starter::Picture4_MouseMove(int, int, double x, double)
{
    if (m_ending || isUnloaded())
        return;
    const double m = vbnum::roundHalfEven(x / twips::perPixelX());
    QPointer<Starter> self(this);
    if (m == WM_LBUTTONDBLCLK || m == WM_RBUTTONDBLCLK) {
        showRestored();
    } else if (m == WM_RBUTTONUP && !m_popUpOpen) {
        // A click on the icon while the menu is open only closes the menu.
        SetForegroundWindow(hWnd());
        if (TrayService *tray = services().tray) {
            m_popUpOpen = true;
            tray->popUp(*mnBar);
            if (self)
                m_popUpOpen = false;
        }
    }
    // The chosen entry may have ended the program.
    if (!self || m_ending || isUnloaded())
        return;
    setTaskVisible(true);
    setMenuBarVisible(true);
}

void Starter::hilfefenster1_Click()
{
    openHelp();
}

void Starter::zwischenablageleeren_Click()
{
    forms().get<Formbilder>().Command15_Click();
}

void Starter::mnMsgShow_Click()
{
    forms().get<Formbilder>().Show();
}

void Starter::mnBeep_Click()
{
    Textform &store = forms().get<Textform>();
    store.Show();
    store.Command4_Click();
}

void Starter::mnNix_Click()
{
    Textform &store = forms().get<Textform>();
    store.Show();
    store.Command12_Click();
}

void Starter::startfenster1_Click()
{
    showRestored();
}

void Starter::showRestored()
{
    // A window minimized before it went to the tray would come back as a
    // task-bar button only.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    // Called forward, it shows above the stores, which stay in the
    // always-on-top band: it is in the band while it is the active window.
    Modulevordergrund::SetTopmost(hWnd(), true);
    Show();
}

void Starter::changeEvent(QEvent *event)
{
    Form::changeEvent(event);
    // Active, above the stores as a window the user turns to is above the
    // rest; beneath them again once another window has the keyboard.
    if (event->type() == QEvent::ActivationChange)
        Modulevordergrund::SetTopmost(hWnd(), isActiveWindow());
}

void Starter::mnExit_Click()
{
    Shell_NotifyIconA(NIM_DELETE, TrayIcon);
    repaint();
    Unload(vbFormCode);
}
