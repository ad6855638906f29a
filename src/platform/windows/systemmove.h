#pragma once
// The system's move of a top-level window, as after a press on its title
// bar. Nothing moves until the pointer has travelled a drag distance with
// the left button held, so a press released where it went down stays a
// click (or the half of a double click). Then the window catches up with the
// pointer and the window manager moves it on; where no window manager can,
// the window follows the pointer by hand until the button is released.
// While the move is pending or followed by hand, pointer moves reach no
// window: the move is the only thing that happens.

class QWidget;

namespace systemmove {

// Follows the pointer's input from now on, so that a move starts where the
// pointer was at the input being handled (called for every window made).
void watch();
// Starts the move of the top-level `window` from the pointer's position at
// the mouse input being handled.
// A move already pending or in progress goes on as it is.
void begin(QWidget *window);
// True while a move is pending or followed by hand.
bool active();

} // namespace systemmove
