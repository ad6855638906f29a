#include "forms/Modulevordergrund.h"

namespace Modulevordergrund {

static_assert(kTopmostFlags == 0x53);

void SetTopmost(HWND hWnd, bool on)
{
    SetWindowPos(hWnd, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, kTopmostFlags);
}

} // namespace Modulevordergrund
