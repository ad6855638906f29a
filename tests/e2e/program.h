#pragma once
// The real program started from its folder, and what an X11 user sees of it:
// its top-level windows by name, their places, and its notification icon.

#include <QProcess>
#include <QRect>
#include <QString>

#include <optional>

namespace e2e {

class Program
{
public:
    // Starts MERKOLO_BINARY with its own folder as the current directory.
    Program();
    // Starts `binary` in `workingDirectory` with `environment`.
    Program(const QString &binary, const QProcessEnvironment &environment, const QString &workingDirectory);
    // Kills the program if it still runs.
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    bool running() const;
    qint64 pid() const { return m_process.processId(); }
    // Waits (event loop turning) for the program to end; its exit code, or nothing.
    std::optional<int> waitForEnd(int timeoutMs = 10000);
    // What it wrote to its standard error so far (its log), which is passed on to ours as it comes.
    const QByteArray &log() const { return m_log; }
    // Another program copies `text`; true once this program has read it and
    // passed it on to its capture, which it logs with its clipboard log on
    // (QT_LOGGING_RULES=merkolo.clipboard.info=true, see withClipboardLog).
    bool copied(const QString &text);

private:
    QProcess m_process;
    QByteArray m_log;
};

// `environment` with the program's clipboard log on.
QProcessEnvironment withClipboardLog(QProcessEnvironment environment = QProcessEnvironment::systemEnvironment());

// Client area (screen pixels) of the viewable window whose title is exactly
// `title`, or nothing when no such window is viewable.
std::optional<QRect> visibleWindow(const QString &title);
// The window manager's states (_NET_WM_STATE) of that window, or nothing.
std::optional<QString> windowState(const QString &title);
// The program's icon in the notification area (a small viewable window of its
// class inside the tray host), or nothing.
std::optional<QRect> trayIcon();
// A viewable pop-up menu of the program, or nothing.
std::optional<QRect> popUpMenu();
QRect screen();
// Times the program's threads were woken so far (context switches).
qint64 wakeUps(qint64 pid);

// Moves the pointer to a screen point and clicks `button` `count` times.
void click(const QPoint &at, int button = 1, int count = 1);

} // namespace e2e
