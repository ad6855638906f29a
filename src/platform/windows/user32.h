#pragma once
// A small stand-in for the parts of Windows' user32 that the program uses:
// 32-bit window handles, replaceable window procedures, synchronous messages
// and the clipboard-viewer chain. Nothing here knows any window class.

#include <cstdint>
#include <functional>

class QWidget;

using HWND = std::uint32_t;
using UINT = std::uint32_t;
using WPARAM = std::int32_t;
using LPARAM = std::int32_t;
using LRESULT = std::int32_t;
using LONG = std::int32_t;
using BOOL = std::int32_t;

// A window procedure as the program sees it.
using WNDPROC = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

constexpr UINT WM_DRAWCLIPBOARD = 0x0308;
constexpr UINT WM_CHANGECBCHAIN = 0x030D;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
constexpr int GWL_WNDPROC = -4;
constexpr int GWL_EXSTYLE = -20;
constexpr LONG WS_EX_LAYERED = 0x80000;
// Set by SetWindowPos for a window in the always-on-top band.
constexpr LONG WS_EX_TOPMOST = 0x8;
constexpr int HTCAPTION = 2;

namespace user32 {

// Creates a window handle. `widget` may be null for windows of other programs
// (tests put such windows into the viewer chain); `proc` is the window's own
// procedure; without one the default procedure answers 0.
HWND CreateWindowHandle(QWidget *widget, WNDPROC proc = {});
// Forgets a handle: later messages to it go nowhere and return 0.
void DestroyWindowHandle(HWND hWnd);
bool IsWindow(HWND hWnd);
QWidget *WidgetFromHandle(HWND hWnd);
HWND HandleFromWidget(const QWidget *widget);

// Registers a procedure and returns its 32-bit address (never 0).
LONG ProcAddress(WNDPROC proc);

// The current head of the viewer chain (0 when the chain is empty).
HWND GetClipboardViewer();

// The default window procedure, for messages a window's own procedure does
// not handle. WM_NCLBUTTONDOWN with HTCAPTION starts the system's move of
// the window, as a press on its title bar does. Returns 0.
LRESULT DefWindowProcA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Forgets every handle, procedure and the chain (tests start from a clean desktop).
void ResetDesktop();

} // namespace user32

// The Windows calls themselves, with Windows' names and semantics.
LONG SetWindowLongA(HWND hWnd, int index, LONG value);
LONG GetWindowLongA(HWND hWnd, int index);
LRESULT CallWindowProcA(LONG prevProc, HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageA(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Joins the chain as its new head, delivers WM_DRAWCLIPBOARD to hWnd at once
// and returns the previous head (0 if there was none).
HWND SetClipboardViewer(HWND hWnd);
// Takes hWnd out of the chain; hWndNext is the window that followed it.
BOOL ChangeClipboardChain(HWND hWnd, HWND hWndNext);
// Brings the window to the front and gives it the input focus when it is
// shown; 0 when there is no such window.
BOOL SetForegroundWindow(HWND hWnd);
// Ends the program's explicit mouse grab, if any.
BOOL ReleaseCapture();

using BYTE = std::uint8_t;
using DWORD = std::uint32_t;
using COLORREF = std::uint32_t;

constexpr DWORD LWA_COLORKEY = 0x1;
constexpr DWORD LWA_ALPHA = 0x2;
constexpr HWND HWND_TOP = 0;
constexpr HWND HWND_BOTTOM = 1;
constexpr HWND HWND_TOPMOST = static_cast<HWND>(-1);
constexpr HWND HWND_NOTOPMOST = static_cast<HWND>(-2);
constexpr UINT SWP_NOSIZE = 0x1;
constexpr UINT SWP_NOMOVE = 0x2;
constexpr UINT SWP_NOZORDER = 0x4;
constexpr UINT SWP_NOACTIVATE = 0x10;
constexpr UINT SWP_SHOWWINDOW = 0x40;
constexpr UINT SWP_HIDEWINDOW = 0x80;

// Sets the opacity (LWA_ALPHA, 0..255) of a window that has WS_EX_LAYERED;
// fails (0) for any other window. A colour key is not supported.
BOOL SetLayeredWindowAttributes(HWND hWnd, COLORREF crKey, BYTE bAlpha, DWORD dwFlags);
// Moves, sizes (outer pixels), restacks and shows or hides a top-level window.
// HWND_TOPMOST / HWND_NOTOPMOST put it into or out of the always-on-top band.
BOOL SetWindowPos(HWND hWnd, HWND hWndInsertAfter, int X, int Y, int cx, int cy, UINT uFlags);
