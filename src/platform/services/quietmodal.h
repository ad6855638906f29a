#pragma once
// A modal dialog for a program that is in the background: it opens above
// its owner without taking the keyboard from the program the user is
// typing in, as a program in the background cannot take the foreground on
// Windows. It takes the focus when the user clicks it. Until it is
// answered the program's other windows take no input, as with any modal
// dialog; a click on one of them brings the dialog forward instead.
//
// The toolkit cannot do this itself: a modal window asks the window
// manager to activate it as it is mapped, and openbox grants every such
// request.

class QDialog;

namespace quietmodal {

// Shows `dialog` without activating it and waits (running the event loop)
// until it is closed or destroyed.
void exec(QDialog &dialog);

} // namespace quietmodal
