#include "ModuleZ.h"

#include "Zwischablage.h"

#include "forms/forms.h"
#include "platform/services/log.h"
#include "platform/services/modalgate.h"
#include "platform/windows/user32.h"

#include <QPointer>

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

// What one clipboard change brought.
struct Content {
    std::optional<QString> text;
    StoredPicture picture;
};

// A clipboard that cannot be read skips that part of the capture only.
Content read(Clipboard &board)
{
    Content c;
    if (board.GetFormat(vbCFText)) {
        if (const auto text = board.GetText())
            c.text = cut(*text);
    }
    if (board.GetFormat(vbCFBitmap))
        c.picture = board.GetPicture();
    return c;
}

void handOff(Zwischablage *window, const Content &c)
{
    QPointer<Zwischablage> alive(window);
    if (c.text)
        window->Text1->setText(*c.text);
    if (!alive || alive->isUnloaded())
        return;
    if (!c.picture.isNull())
        alive->Picture1->setPicture(c.picture);
}

void capture(Zwischablage *window)
{
    window->services().beeper->beep();
    const Content c = read(*window->services().clipboard);
    // A change that arrives while a message box of the program is open (the
    // image store's wrap message, a question) would run inside the box, half
    // way through the handler that asked. It waits for the answer, and
    // everything after it waits too, so the order of changes is kept.
    ModalGate &gate = window->services().messages->gate();
    if (gate.open() || gate.pending()) {
        qCInfo(lcClipboard) << "the change waits for the open message box";
        gate.whenClosed(window, [window, c] {
            if (!window->isUnloaded())
                handOff(window, c);
        });
        return;
    }
    handOff(window, c);
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
