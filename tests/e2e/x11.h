#pragma once
// Helpers of the e2e suite: the real X11 display that scripts/test starts,
// other programs (xclip, xdotool) acting on it, and waiting with the event
// loop running.

#include <QImage>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QProcess;

namespace x11 {

// True when a real X display is there (DISPLAY set and the xcb platform in use).
bool available();

// Runs a program to its end (at most timeoutMs) and returns its standard output.
// Its exit code goes to *exitCode when given.
QByteArray run(const QString &program, const QStringList &args, const QByteArray &input = {},
               int timeoutMs = 10000, int *exitCode = nullptr);

// Another program (xclip) takes the CLIPBOARD selection with this content.
// xclip stays in the background serving it until the next set or the end of the test.
void setClipboardText(const QString &text);
void setClipboardData(const QByteArray &data, const QString &mimeType);
void setClipboardImage(const QImage &image); // as image/png
// What the CLIPBOARD holds now, read by xclip (text or the given target).
QByteArray readClipboard(const QString &target = QStringLiteral("UTF8_STRING"));
// Ends every xclip this process started, by its process id (and no other).
void stopClipboardOwners();

// Processes events until `done` is true or timeoutMs passes; returns `done()`.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = 5000);

// Waits until this process has handled every event the X server sent it so
// far, and the window manager every event and request that reached it
// before (it answers a request for a window's frame extents in turn): a
// pointer step has then been seen by whoever holds the pointer. False when
// the window manager did not answer within timeoutMs.
bool caughtUp(int timeoutMs = 5000);

// An X display of the test's own: Xvfb on a display it picks itself, and a
// window manager on it, both ended by their process ids when it goes.
class OwnDesktop
{
public:
    OwnDesktop(const QString &manager, const QStringList &args);
    ~OwnDesktop();
    // DISPLAY for programs on it; empty when it did not start (problem() says why).
    QString display() const { return m_display; }
    QString problem() const { return m_problem; }

private:
    std::unique_ptr<QProcess> m_server, m_manager;
    QString m_display, m_problem;
};

} // namespace x11
