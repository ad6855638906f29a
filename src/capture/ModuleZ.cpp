#include "ModuleZ.h"

#include "Zwischablage.h"

#include "winutil/forms.h"
#include "winutil/user32.h"

namespace ModuleZ {

LONG PrevWndProc = 0;
HWND NextViewer = 0;

namespace {

// The first kMaxText characters, never splitting a surrogate pair.
QString cut(const QString &text)
{
    if (text.size() <= kMaxText)
        return text;
    int n = kMaxText;
    if (text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}

void capture(Zwischablage *window)
{
    Clipboard *board = window->services().clipboard;
    window->services().beeper->beep();
    QPointer<Zwischablage> alive(window);
    // A clipboard that cannot be read skips that part of the capture only.
    if (board->GetFormat(vbCFText)) {
        if (const auto text = board->GetText())
            window->Text1->setText(cut(*text));
    }
    if (!alive || alive->isUnloaded())
        return;
    if (board->GetFormat(vbCFBitmap)) {
        const QImage picture = board->GetData();
        if (!picture.isNull() && alive)
            alive->Picture1->setPicture(picture);
    }
}

} // namespace

void JoinViewerChain(HWND hWnd)
{
    PrevWndProc = SetWindowLongA(hWnd, GWL_WNDPROC, user32::ProcAddress(callback));
    NextViewer = SetClipboardViewer(hWnd);
}

void LeaveViewerChain(HWND hWnd)
{
    ChangeClipboardChain(hWnd, NextViewer);
    SetWindowLongA(hWnd, GWL_WNDPROC, PrevWndProc);
}

LRESULT callback(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    // The procedure to pass on to is read first: a capture may unload the window.
    const LONG previous = PrevWndProc;
    if (uMsg == WM_DRAWCLIPBOARD) {
        if (auto *window = qobject_cast<Zwischablage *>(user32::WidgetFromHandle(hWnd)))
            capture(window);
        if (NextViewer != 0)
            SendMessageA(NextViewer, WM_DRAWCLIPBOARD, wParam, lParam);
    } else if (uMsg == WM_CHANGECBCHAIN) {
        if (static_cast<HWND>(wParam) == NextViewer)
            NextViewer = static_cast<HWND>(lParam);
        else if (NextViewer != 0)
            SendMessageA(NextViewer, WM_CHANGECBCHAIN, wParam, lParam);
    }
    return CallWindowProcA(previous, hWnd, uMsg, wParam, lParam);
}

} // namespace ModuleZ
