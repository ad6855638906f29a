#pragma once
// ModuleTransparent: making a window see-through and opaque again.

#include "platform/windows/user32.h"

#include <cstdint>

namespace ModuleTransparent {

// Level 255 takes the window out of the layered mode (opaque); any other
// level makes it layered with that opacity (0 invisible .. 254).
void SetTransparency(HWND hWnd, std::uint8_t level);

} // namespace ModuleTransparent
