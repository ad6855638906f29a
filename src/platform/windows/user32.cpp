#include "platform/windows/user32.h"

#include "platform/windows/systemmove.h"
#include "platform/windows/x11window.h"

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <map>

namespace {

constexpr LONG kDefProcAddress = 1;

struct Window {
    QPointer<QWidget> widget;
    LONG proc = kDefProcAddress;
    LONG exStyle = 0;
};

struct Desktop {
    std::map<HWND, Window> windows;
    std::map<LONG, WNDPROC> procs;
    HWND nextHandle = 0x10010;
    LONG nextProc = 0x401000;
    HWND chainHead = 0;
};

Desktop &desktop()
{
    static Desktop d;
    return d;
}

Window *findWindow(HWND hWnd)
{
    auto &w = desktop().windows;
    auto it = w.find(hWnd);
    return it == w.end() ? nullptr : &it->second;
}

} // namespace

namespace user32 {

LONG ProcAddress(WNDPROC proc)
{
    if (!proc)
        return kDefProcAddress;
    auto &d = desktop();
    const LONG addr = d.nextProc;
    d.nextProc += 0x10;
    d.procs.emplace(addr, std::move(proc));
    return addr;
}

HWND CreateWindowHandle(QWidget *widget, WNDPROC proc)
{
    if (widget)
        systemmove::watch();
    auto &d = desktop();
    const HWND h = d.nextHandle;
    d.nextHandle += 4;
    Window w;
    w.widget = widget;
    w.proc = ProcAddress(std::move(proc));
    d.windows.emplace(h, w);
    return h;
}

void DestroyWindowHandle(HWND hWnd)
{
    desktop().windows.erase(hWnd);
}

bool IsWindow(HWND hWnd)
{
    return findWindow(hWnd) != nullptr;
}

QWidget *WidgetFromHandle(HWND hWnd)
{
    Window *w = findWindow(hWnd);
    return w ? w->widget.data() : nullptr;
}

HWND HandleFromWidget(const QWidget *widget)
{
    if (!widget)
        return 0;
    for (const auto &[h, w] : desktop().windows) {
        if (w.widget == widget)
            return h;
    }
    return 0;
}

HWND GetClipboardViewer()
{
    return desktop().chainHead;
}

LRESULT DefWindowProcA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM)
{
    if (msg == WM_NCLBUTTONDOWN && wParam == HTCAPTION) {
        if (QWidget *w = WidgetFromHandle(hWnd))
            systemmove::begin(w->window());
    }
    return 0;
}

void ResetDesktop()
{
    auto &d = desktop();
    d.windows.clear();
    d.procs.clear();
    d.chainHead = 0;
}

} // namespace user32

LONG SetWindowLongA(HWND hWnd, int index, LONG value)
{
    Window *w = findWindow(hWnd);
    if (!w)
        return 0;
    LONG *field = nullptr;
    if (index == GWL_WNDPROC)
        field = &w->proc;
    else if (index == GWL_EXSTYLE)
        field = &w->exStyle;
    if (!field)
        return 0;
    const LONG previous = *field;
    *field = value;
    // A window leaving the layered mode is drawn opaque again.
    if (index == GWL_EXSTYLE && (previous & WS_EX_LAYERED) && !(value & WS_EX_LAYERED) && w->widget)
        w->widget->setWindowOpacity(1.0);
    return previous;
}

LONG GetWindowLongA(HWND hWnd, int index)
{
    const Window *w = findWindow(hWnd);
    if (!w)
        return 0;
    if (index == GWL_WNDPROC)
        return w->proc;
    if (index == GWL_EXSTYLE)
        return w->exStyle;
    return 0;
}

LRESULT CallWindowProcA(LONG prevProc, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto &procs = desktop().procs;
    auto it = procs.find(prevProc);
    if (it == procs.end())
        return user32::DefWindowProcA(hWnd, msg, wParam, lParam);
    // Copy: the procedure may replace itself while it runs.
    WNDPROC proc = it->second;
    return proc(hWnd, msg, wParam, lParam);
}

LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    const Window *w = findWindow(hWnd);
    if (!w)
        return 0;
    return CallWindowProcA(w->proc, hWnd, msg, wParam, lParam);
}

HWND SetClipboardViewer(HWND hWnd)
{
    if (!findWindow(hWnd))
        return 0;
    auto &d = desktop();
    const HWND previous = d.chainHead;
    d.chainHead = hWnd;
    SendMessageA(hWnd, WM_DRAWCLIPBOARD, 0, 0);
    return previous;
}

BOOL ChangeClipboardChain(HWND hWnd, HWND hWndNext)
{
    auto &d = desktop();
    if (d.chainHead == 0)
        return 0;
    if (d.chainHead == hWnd) {
        d.chainHead = hWndNext;
        return 1;
    }
    SendMessageA(d.chainHead, WM_CHANGECBCHAIN, static_cast<WPARAM>(hWnd), static_cast<LPARAM>(hWndNext));
    return 1;
}

BOOL SetForegroundWindow(HWND hWnd)
{
    QWidget *w = user32::WidgetFromHandle(hWnd);
    if (!w)
        return 0;
    w = w->window();
    if (w->isVisible()) {
        w->raise();
        w->activateWindow();
    }
    return 1;
}

BOOL ReleaseCapture()
{
    if (QWidget *grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    return 1;
}

BOOL SetLayeredWindowAttributes(HWND hWnd, COLORREF, BYTE bAlpha, DWORD dwFlags)
{
    Window *w = findWindow(hWnd);
    if (!w || !(w->exStyle & WS_EX_LAYERED))
        return 0;
    if ((dwFlags & LWA_ALPHA) && w->widget)
        w->widget->setWindowOpacity(bAlpha / 255.0);
    return 1;
}

namespace {

void setStaysOnTop(Window &w, QWidget *window, bool on)
{
    w.exStyle = on ? (w.exStyle | WS_EX_TOPMOST) : (w.exStyle & ~WS_EX_TOPMOST);
    if (x11window::active()) {
        // The band changes on the window as it stands: changing the toolkit's
        // stay-on-top flag instead makes it replace the X window at the next
        // hide, and the window manager then places the new one anew.
        x11window::setState(window, x11window::State::Above, on);
        return;
    }
    Qt::WindowFlags flags = window->windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    window->overrideWindowFlags(flags);
    if (QWindow *native = window->windowHandle())
        native->setFlags(flags);
}

void showWindow(QWidget *window, bool activate)
{
    const bool quiet = window->testAttribute(Qt::WA_ShowWithoutActivating);
    window->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    window->show();
    window->setAttribute(Qt::WA_ShowWithoutActivating, quiet);
}

} // namespace

BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags)
{
    Window *w = findWindow(hWnd);
    QWidget *window = w ? w->widget.data() : nullptr;
    if (!window || !window->isWindow())
        return 0;
    if (!(uFlags & SWP_NOZORDER)) {
        if (hWndInsertAfter == HWND_TOPMOST || hWndInsertAfter == HWND_NOTOPMOST)
            setStaysOnTop(*w, window, hWndInsertAfter == HWND_TOPMOST);
        else if (hWndInsertAfter == HWND_TOP)
            window->raise();
        else if (hWndInsertAfter == HWND_BOTTOM)
            window->lower();
    }
    if (!(uFlags & SWP_NOMOVE))
        window->move(X, Y);
    if (!(uFlags & SWP_NOSIZE)) {
        const QWindow *native = window->windowHandle();
        const QMargins frame = native ? native->frameMargins() : QMargins();
        window->resize(std::max(1, cx - frame.left() - frame.right()),
                       std::max(1, cy - frame.top() - frame.bottom()));
    }
    // A window painted while hidden (rendered into an image) stays hidden,
    // and a window is never hidden from inside its own paint event.
    const bool painting = window->testAttribute(Qt::WA_WState_InPaintEvent);
    if ((uFlags & SWP_SHOWWINDOW) && !window->isVisible() && !painting)
        showWindow(window, !(uFlags & SWP_NOACTIVATE));
    else if ((uFlags & SWP_HIDEWINDOW) && window->isVisible() && !painting)
        window->hide();
    return 1;
}
