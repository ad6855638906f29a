#pragma once
// What every run of the program sets up around the window registry.

class Forms;

namespace program {

// The notification area behind Shell_NotifyIconA is the registry's tray
// service; before the program ends, the hidden viewer window leaves the
// viewer chain.
void wire(Forms &forms);

// A second start of the program: the selector window comes forward as a
// double click on the notification icon brings it.
void bringForward(Forms &forms);

} // namespace program
