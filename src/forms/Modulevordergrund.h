#pragma once
// Modulevordergrund: the always-on-top band.

#include "platform/windows/user32.h"

namespace Modulevordergrund {

// SetWindowPos's flags here: keep size and position, do not activate, show.
constexpr UINT kTopmostFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_SHOWWINDOW;

// Puts the window into (on) or out of the always-on-top band and shows it
// if it was hidden. Safe to call from the window's paint handler.
void SetTopmost(HWND hWnd, bool on);

} // namespace Modulevordergrund
