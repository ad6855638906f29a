#pragma once
// The real notification area: one QSystemTrayIcon per icon. Mouse actions
// reach the program from the event loop, never from inside the toolkit's
// own handler, so an entry that removes the icon cannot pull the icon away
// under the code that reported the click.

#include "services.h"

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
    void setTaskVisible(bool visible) override { m_taskVisible = visible; }
    bool taskVisible() const override { return m_taskVisible; }

    // The Windows mouse message number of a toolkit activation. The toolkit
    // reports a right press as Context and no right double-click at all.
    static int mouseMessageOf(QSystemTrayIcon::ActivationReason reason);

private:
    void watchHost();

    std::map<int, QSystemTrayIcon *> m_icons;
    QTimer m_hostWatch;
    bool m_host = false;
    bool m_taskVisible = true;
};
