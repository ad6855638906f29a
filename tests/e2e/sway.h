#pragma once
// A headless sway of the test's own, with a small Wayland window (foot)
// holding the keyboard focus, and Xwayland for X11 programs. sway refuses
// to run as root: as root, the test makes a user for it, which it removes
// again at the end. Its socket is named by absolute path, which root
// reaches in the user's 0700 folder.

#include <QList>
#include <QProcess>
#include <QRect>
#include <QString>

#include <sys/types.h>

#include <memory>

class Sway
{
public:
    Sway();
    // Ends sway and the window (by their ids), removes the folder and the user.
    ~Sway();

    // Empty when sway runs; else why it could not start.
    QString problem() const { return m_problem; }
    // WAYLAND_DISPLAY for clients: the socket's absolute path.
    QString display() const { return m_display; }
    // The app id of the window that has the keyboard focus (asked through swaymsg).
    QString focused() const;
    // Ends sway and its window (by their ids), as a compositor that goes.
    void end();
    // Starts them again on the same socket; false when it did not come back.
    bool again();
    // DISPLAY of sway's Xwayland; empty when it has none.
    QString x11Display() const { return m_x11Display; }

    // A window sway shows: its title, whether it is an X11 window and
    // whether it floats, its content area (without sway's border) and its
    // whole frame (with border and title bar) in layout pixels, which are
    // Xwayland's.
    struct View {
        QString title;
        bool x11 = false;
        bool floating = false;
        QRect content;
        QRect frame;
    };
    QList<View> views() const;
    // SWAYSOCK for clients: its command socket; empty before sway made it.
    QString socket() const;
    // swaymsg with `args` on this sway's socket; its output.
    QByteArray message(const QStringList &args) const;

private:
    void launch();
    std::unique_ptr<QProcess> start(const QString &program, const QStringList &args, const QString &log);

    QString m_user; // made for sway, when we are root
    uid_t m_uid = 0;
    gid_t m_gid = 0;
    QString m_folder;
    QString m_display;
    QString m_x11Display;
    QString m_problem;
    std::unique_ptr<QProcess> m_sway, m_window;
};
