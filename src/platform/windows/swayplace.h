#pragma once
// Windows of a stated place under sway. sway centres a floating X11 window
// whatever place it states, when it is mapped and when its size changes;
// the program's windows are moved back through sway's socket, their frame
// (sway's border and title bar) to the place stated. sway tells the
// window nothing of that frame: the toolkit reads a window's place there
// as its content's, which is taken back to the frame's when stated again.

class QWidget;

namespace swayplace {

// True under sway (its socket named in SWAYSOCK).
bool active();
// Takes the window's present place as the one stated for its frame.
void state(QWidget *window);
// Asks sway to put the window's frame at its stated place, as soon as
// sway knows the window (it is tried again for a second after mapping).
void place(QWidget *window);
// The window system moved the window (sway's configuration): where the
// content lands after a move asked of sway measures the frame.
void reported(QWidget *window);

} // namespace swayplace
