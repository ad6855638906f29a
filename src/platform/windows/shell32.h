#pragma once
// A stand-in for the parts of Windows' shell32 that the program uses.

#include "platform/windows/user32.h"

#include <QIcon>

#include <cstdint>
#include <functional>
#include <QString>

class TrayService;

// Notification area: Shell_NotifyIconA and its record.

using HICON = std::uint32_t;

constexpr DWORD NIM_ADD = 0;
constexpr DWORD NIM_MODIFY = 1;
constexpr DWORD NIM_DELETE = 2;
constexpr UINT NIF_MESSAGE = 1;
constexpr UINT NIF_ICON = 2;
constexpr UINT NIF_TIP = 4;

// Mouse message numbers that the shell reports for an icon (in lParam).
constexpr int WM_LBUTTONDOWN = 0x0201;
constexpr int WM_LBUTTONUP = 0x0202;
constexpr int WM_LBUTTONDBLCLK = 0x0203;
constexpr int WM_RBUTTONDOWN = 0x0204;
constexpr int WM_RBUTTONUP = 0x0205;
constexpr int WM_RBUTTONDBLCLK = 0x0206;
constexpr int WM_MBUTTONDOWN = 0x0207;
constexpr int WM_MBUTTONUP = 0x0208;
constexpr int WM_MBUTTONDBLCLK = 0x0209;

// The ANSI notification record, laid out as Windows' 88-byte NOTIFYICONDATA.
struct NOTIFYICONDATA {
    DWORD cbSize = 0;
    HWND hWnd = 0;
    UINT uID = 0;
    UINT uFlags = 0;
    UINT uCallbackMessage = 0;
    HICON hIcon = 0;
    char szTip[64] = {};
};
static_assert(sizeof(NOTIFYICONDATA) == 88, "NOTIFYICONDATA must keep the 88-byte ANSI layout");

// Adds, changes or removes the icon (hWnd, uID). Adding an icon that is
// present changes nothing and returns 0; the icon's mouse messages arrive at
// hWnd as uCallbackMessage with the mouse message number in lParam.
BOOL Shell_NotifyIconA(DWORD dwMessage, const NOTIFYICONDATA &data);

namespace shell32 {

// The notification area behind Shell_NotifyIconA (null: none; every call fails).
// Installing another one forgets every icon.
void UseTrayService(TrayService *tray);

// Icon handles for the record's hIcon (never 0 for a real icon).
HICON CreateIconHandle(const QIcon &icon);
QIcon IconFromHandle(HICON hIcon);
void DestroyIconHandle(HICON hIcon);

// The tip as the record holds it: exactly 64 characters (cut or padded with
// blanks on the right), converted to single bytes.
void SetTip(NOTIFYICONDATA &data, const QString &tip64);
// The tip text the shell shows: the record's characters up to the first NUL.
QString TipOf(const NOTIFYICONDATA &data);

} // namespace shell32

// Shell open: ShellExecuteA.

using HINSTANCE = std::intptr_t;

constexpr int SW_SHOWNORMAL = 1;
constexpr HINSTANCE SE_ERR_FNF = 2;
constexpr HINSTANCE SE_ERR_NOASSOC = 31;

// Opens a file or folder with the program the desktop associates with it
// (verb "open", "explore" or null; nothing is ever run as a command). A
// relative lpFile is found in lpDirectory, or in the process's current
// directory when that is null or empty; '\' separates folders like '/'.
// Texts are in the local 8-bit encoding. Returns more than 32 once the
// opener has started, SE_ERR_FNF when there is no such file or folder,
// SE_ERR_NOASSOC when no program opens it; a failure of the program that
// was started is told later (shell32::OnOpenFailed).
HINSTANCE ShellExecuteA(HWND hwnd, const char *lpOperation, const char *lpFile, const char *lpParameters,
                        const char *lpDirectory, int nShowCmd);

namespace shell32 {

// The desktop's file opener behind ShellExecuteA: it starts opening `file`
// (an absolute path) and returns false when it cannot even start; else
// `finished` runs once, later or at once, on the user-interface thread,
// with whether the file was opened.
using Opened = std::function<void(bool opened)>;
using Opener = std::function<bool(const QString &file, const Opened &finished)>;
// Replaces the opener; an empty one brings back the desktop's own
// (xdg-open, watched until it ends; Qt's opener where there is none).
void UseOpener(Opener opener);

// Where an open that ShellExecuteA reported as started, but that failed
// afterwards (the program that should show the file refused to run), is
// told: the window it was asked for and the file's absolute path. As
// Windows' shell shows its own message then, with hwnd as the owner.
void OnOpenFailed(std::function<void(HWND hwnd, const QString &file)> told);

} // namespace shell32
