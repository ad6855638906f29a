#pragma once
// Follows the X11 notification-area host by the events that announce it:
// a new host sends the MANAGER client message of its _NET_SYSTEM_TRAY_Sn
// selection to the root window, and a host that ends destroys its window.
// Nothing is polled.

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <cstdint>

class X11TrayHost : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    explicit X11TrayHost(QObject *parent = nullptr);
    ~X11TrayHost() override;

    // True when the program runs on X11 (only there does this follow anything).
    static bool available();

signals:
    // A host appeared (also one that replaced another) or the host went away.
    void changed(bool present);

protected:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    void follow(std::uint32_t owner);
    void announce(bool present);

    std::uint32_t m_selection = 0; // _NET_SYSTEM_TRAY_Sn
    std::uint32_t m_manager = 0;   // MANAGER
    std::uint32_t m_owner = 0;     // the host's window, 0 when there is none
};
