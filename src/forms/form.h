#pragma once
// Base of the program's windows: load on first reference, show modeless,
// hide, unload with a close-request reason, key preview, a paint hook and
// outer geometry in twips.

#include "forms/twipsmath.h"
#include "platform/windows/user32.h"

#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <optional>

class Forms;
struct Services;

// Reasons of a close request.
constexpr int vbFormControlMenu = 0;
constexpr int vbFormCode = 1;
constexpr int vbAppWindows = 2;
constexpr int vbAppTaskManager = 3;
constexpr int vbFormMDIForm = 4;
constexpr int vbFormOwner = 5;

class Form : public QWidget
{
    Q_OBJECT
public:
    explicit Form(Forms &forms);
    ~Form() override;

    HWND hWnd() const { return m_hWnd; }
    Forms &forms() const { return m_forms; }
    Services &services() const;

    void Show();
    void Hide();
    // Runs the close request and the unload step; returns false when the
    // request was cancelled. Safe from inside the window's own handlers.
    bool Unload(int reason = vbFormCode);
    bool isUnloaded() const { return m_unloaded; }

    QString Caption() const { return windowTitle(); }
    void setCaption(const QString &caption) { setWindowTitle(caption); }

    // Outer geometry in twips (frame included).
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void setLeft(int tw);
    void setTop(int tw);
    void setWidth(int tw);
    void setHeight(int tw);
    // Client area in twips.
    int ScaleWidth() const;
    int ScaleHeight() const;
    void setClientSizeTwips(int width, int height);

    // Frame around the client area in device pixels: the window manager's
    // when it has framed the window; while hidden, the one it had, or the
    // one another window of its kind has; else a nominal single border.
    QMargins frameDevicePx() const;

protected:
    virtual void Form_Load() {}
    virtual void Form_QueryUnload(int &cancel, int unloadMode);
    virtual void Form_Unload(int &cancel);
    virtual void Form_Paint() {}
    virtual void Form_KeyDown(int keyCode, int shift);

    // The keys every store window answers: Escape unloads it, F1 opens the help page.
    void escapeOrHelpKey(int keyCode);
    // Makes `folder` when it is missing, so that a folder button has
    // something to open before the first save. False, once the user has been
    // told, when there is no folder there and none can be made.
    bool makeFolder(const QString &folder);
    // Hides the window, moves it a twip down and right (`forward`) or back up
    // and left, and shows it again, so that its paint handler runs anew (how
    // the "vordergrund" boxes apply the always-on-top band).
    void reshowNudged(bool forward);

    // Key-down events of every control reach Form_KeyDown first.
    void setKeyPreview(bool on);
    // A fixed border keeps the user from resizing the window. Either way
    // the window floats on a tiling window manager, at its own size.
    void setFixedBorder(bool on);
    void setCentredOnFirstShow(bool on) { m_centre = on; }
    // Centred, unless it would lie under another window of the program:
    // then as near the centre as it lies clear of them (see placement.h).
    void setClearOfOthersOnFirstShow(bool on) { m_clearOfOthers = on; }
    // What another window of the program keeps clear of when it is shown
    // for the first time (screen coordinates, frames included): nothing, or
    // where this window stays in sight beside it. Such a window opens
    // centred, or as near the centre as it lies clear of all of them.
    virtual std::optional<QRect> keptClear() const { return std::nullopt; }

    void paintEvent(QPaintEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class Forms;
    void runLoad();
    // States the window's place before it is shown again.
    void keepPlace();
    // The frames of the program's other windows on the screen.
    QList<QRect> othersShown() const;
    // What the other windows ask to be kept clear of (keptClear).
    QList<QRect> keptClearByOthers() const;
    void applyClientSize(int widthPx, int heightPx);
    void watchExposure();
    // The window manager framed the window (anew): outer sizes set in twips
    // are made good with the real frame.
    void frameArrived();
    void refitToFrame(const QMargins &frame);
    // The twips of the outer extent along `o` with the window manager's `frame`.
    twips::Axis outerAxis(Qt::Orientation o, const QMargins &frame) const;
    int clientWidthFor(int outerTwips, const QMargins &frame) const;
    int clientHeightFor(int outerTwips, const QMargins &frame) const;

    Forms &m_forms;
    HWND m_hWnd = 0;
    bool m_unloaded = false;
    bool m_keyPreview = false;
    bool m_fixedBorder = true;
    bool m_centre = false;
    bool m_clearOfOthers = false;
    bool m_shownOnce = false;
    QPointer<QWindow> m_exposedWindow; // the native window whose exposures raise Form_Paint
    bool m_painted = false;            // paintEvent ran since the last exposure
    std::optional<int> m_tw[4]; // last twips set for left, top, width, height
    mutable std::optional<QMargins> m_frame; // the frame the window manager last gave it
    std::optional<QMargins> m_sizedWith[2];  // frame the outer width, height were set with
};
