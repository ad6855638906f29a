#pragma once
// The real notification area: one QSystemTrayIcon per icon. Mouse actions
// reach the program from the event loop, never from inside the toolkit's
// own handler, so an entry that removes the icon cannot pull the icon away
// under the code that reported the click.

#include "platform/services/services.h"

#include <QEvent>
#include <QSystemTrayIcon>
#include <QTimer>

#include <map>

class QtTray : public TrayService
{
    Q_OBJECT
public:
    QtTray();
    ~QtTray() override;

    bool setIcon(int id, const QIcon &icon, const QString &tip) override;
    void removeIcon(int id) override;
    bool hostAvailable() override;
    void popUp(QMenu &menu) override;
    // Reaches the window manager on X11: every window of the program, also
    // those shown later, leaves or rejoins the task list.
    void setTaskVisible(bool visible) override;
    bool taskVisible() const override { return m_taskVisible; }
    // A short notice from the program's icon (a balloon); without an icon
    // in a notification area, a small window of its own that asks nothing.
    void notify(const QString &title, const QString &text) override;

    // The Windows mouse message number of a toolkit activation. The toolkit
    // reports a right press as Context and no right double-click at all.
    static int mouseMessageOf(QSystemTrayIcon::ActivationReason reason);
    // The Windows mouse message number of a button event on the icon's own
    // window (press, release, double-click), or 0.
    static int mouseMessageOf(QEvent::Type type, Qt::MouseButton button);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void hostChanged(bool present);
    void followIconWindow(int id);
    // Reports a button's message on `id` from the event loop.
    void report(int id, int message);
    // Reports the release held back, if any.
    void releaseHeld();

    std::map<int, QSystemTrayIcon *> m_icons;
    // The icons' own windows in an XEmbed host, with the icon each shows.
    std::map<QObject *, int> m_iconWindows;
    bool m_taskVisible = true;
    // A release waits the double-click interval before it is reported: a
    // second press within it makes the two clicks one double-click, and the
    // click it would have been (a right click opens the menu) never happens.
    QTimer *m_held = nullptr;
    int m_heldId = 0;
    int m_heldMessage = 0;
    Qt::MouseButton m_heldButton = Qt::NoButton;
    Qt::MouseButtons m_doubleClicked; // whose next release ends a double-click: no click of its own
};
