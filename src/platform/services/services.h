#pragma once
// The desktop services the windows rely on, each an interface with a real
// implementation (qtservices.h, and the clipboards of clipboardfactory.h) and a
// fake for tests.

#include "platform/services/modalgate.h"
#include "platform/clipboard/storedpicture.h"

#include <QDateTime>
#include <QIcon>
#include <QImage>
#include <QObject>
#include <QString>

#include <optional>

// Clipboard formats the program reads and writes.
constexpr int vbCFText = 1;
constexpr int vbCFBitmap = 2;

class Clipboard : public QObject
{
    Q_OBJECT
public:
    // True when the clipboard offers `format` (vbCFText or vbCFBitmap).
    virtual bool GetFormat(int format) = 0;
    // The clipboard text, or nothing when it cannot be read.
    virtual std::optional<QString> GetText() = 0;
    // The clipboard bitmap; a null image when there is none or it cannot be read.
    virtual QImage GetData() = 0;
    // The clipboard picture with the bytes it came as, where they are known.
    virtual StoredPicture GetPicture() { return StoredPicture(GetData()); }
    virtual void SetText(const QString &text) = 0;
    // Puts a picture on the clipboard, at once or (on X11, once encoded for
    // other programs) a moment later; a later set or clear always wins.
    virtual void SetData(const QImage &image) = 0;
    // Puts a stored picture on the clipboard; where other programs read it,
    // its bytes are offered as they are, at once.
    virtual void SetPicture(const StoredPicture &picture) { SetData(picture.pixels()); }
    virtual void Clear() = 0;
    // Run before the program ends: what the program put on the clipboard is
    // left with a running clipboard manager, waiting a bounded time for it.
    virtual void keepAfterEnd() {}

signals:
    // The system clipboard changed (another program or this one wrote it).
    void changed();
    // The change brought a picture too big to take (its size when known, the bytes offered).
    void pictureRefused(QSize size, qint64 bytes);
    // A word for the user, in German, about copies the clipboard cannot see
    // (once at start, or when its route broke); it asks nothing.
    void notice(const QString &text);
};

// Message-box styles and results of the legacy design.
constexpr int vbOKOnly = 0;
constexpr int vbYesNo = 4;
constexpr int vbYes = 6;
constexpr int vbNo = 7;
constexpr int vbOK = 1;

class MessageBoxService
{
public:
    virtual ~MessageBoxService() = default;
    // Modal box; returns vbOK, vbYes or vbNo. An empty title means the application title.
    virtual int show(const QString &text, int style, const QString &title) = 0;
    // Open while a box is: what must wait for the answer waits here.
    ModalGate &gate() { return m_gate; }

private:
    ModalGate m_gate;
};

class Beeper
{
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() = 0;
};

// The two roots of relative paths: the program's folder and the current directory.
class Roots
{
public:
    virtual ~Roots() = default;
    virtual QString programFolder() = 0;
    virtual QString currentDirectory() = 0;
    // Where the files installed with the program (the help page) are found when
    // the current directory lacks them; empty when there is no such folder.
    virtual QString sharedFolder() { return {}; }
};

class QMenu;
class History;

// The desktop shell's notification area, its pop-up menus and the program's
// entry in the task list.
class TrayService : public QObject
{
    Q_OBJECT
public:
    // Shows icon `id`, or updates it when shown. False when no notification
    // area is there; the icon is kept and appears once one is.
    virtual bool setIcon(int id, const QIcon &icon, const QString &tip) = 0;
    virtual void removeIcon(int id) = 0;
    // True while a notification area is there to hold icons.
    virtual bool hostAvailable() = 0;
    // Pops the menu up at the mouse position; returns once it has closed and a chosen entry has run.
    virtual void popUp(QMenu &menu) = 0;
    // The program's entry in the task list.
    virtual void setTaskVisible(bool visible) = 0;
    virtual bool taskVisible() const = 0;
    // A notice to the user that asks nothing (a balloon from the icon).
    virtual void notify(const QString &title, const QString &text) = 0;

signals:
    // A mouse action on icon `id` as a Windows mouse message number (0x0203 left double-click, ...).
    void mouseMessage(int id, int message);
    void hostAvailableChanged(bool available);
};

// Everything a window may ask of the desktop, handed to the window registry.
struct Services {
    Clipboard *clipboard = nullptr;
    MessageBoxService *messages = nullptr;
    Beeper *beeper = nullptr;
    Clock *clock = nullptr;
    Roots *roots = nullptr;
    TrayService *tray = nullptr;
    // The stores' history while the user has it on; none when off.
    History *history = nullptr;
};

// The application title that message boxes without a title of their own carry.
inline const QString kAppTitle = QStringLiteral("Merkolo");
