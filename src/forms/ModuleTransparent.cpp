#include "forms/ModuleTransparent.h"

namespace ModuleTransparent {

void SetTransparency(HWND hWnd, std::uint8_t level)
{
    const LONG style = GetWindowLongA(hWnd, GWL_EXSTYLE);
    if (level == 255) {
        SetWindowLongA(hWnd, GWL_EXSTYLE, style & ~WS_EX_LAYERED);
        return;
    }
    SetWindowLongA(hWnd, GWL_EXSTYLE, style | WS_EX_LAYERED);
    SetLayeredWindowAttributes(hWnd, 0, level, LWA_ALPHA);
}

} // namespace ModuleTransparent
