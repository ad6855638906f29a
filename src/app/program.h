#pragma once
// What every run of the program sets up around the window registry.

#include <QSize>
#include <QString>

class Forms;

namespace program {

// The notification area behind Shell_NotifyIconA is the registry's tray
// service; a picture too big to capture is announced from the tray icon;
// before the program ends, the hidden viewer window leaves the viewer chain
// and the clipboard is left with a running clipboard manager.
void wire(Forms &forms);

// A second start of the program: the selector window comes forward as a
// double click on the notification icon brings it.
void bringForward(Forms &forms);
// The notice for a clipboard picture that was not taken (its size in
// pixels when its header could be read).
QString refusalNotice(QSize size);

} // namespace program
