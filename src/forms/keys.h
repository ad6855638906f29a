#pragma once
// Qt keys and modifiers as the legacy design's virtual-key codes and shift states.

#include <Qt>

namespace keys {

constexpr int vbKeyEscape = 27;
constexpr int vbKeyF1 = 112;
constexpr int vbShiftMask = 1;
constexpr int vbCtrlMask = 2;
constexpr int vbAltMask = 4;

// The virtual-key code of a Qt key (0 when it has none).
int virtualKey(int qtKey);
// Shift 1, Ctrl 2, Alt 4.
int shiftState(Qt::KeyboardModifiers modifiers);
// Left 1, right 2, middle 4.
int buttonState(Qt::MouseButtons buttons);

} // namespace keys
