#pragma once
// Membership of the hidden viewer window in the clipboard-viewer chain and
// its window procedure, which captures every clipboard change.

#include "platform/windows/user32.h"

namespace ModuleZ {

// Address of the window procedure that `callback` replaced.
extern LONG PrevWndProc;
// The next window of the viewer chain; 0 when there is none.
extern HWND NextViewer;

void JoinViewerChain(HWND hWnd);
void LeaveViewerChain(HWND hWnd);
LRESULT callback(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

// The longest clipboard text taken into the program.
constexpr int kMaxText = 32767;

} // namespace ModuleZ
