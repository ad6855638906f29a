#pragma once
// Turns a change of the system clipboard into WM_DRAWCLIPBOARD, sent to the
// head of the viewer chain, as Windows does.

#include "platform/services/services.h"

class ClipboardBridge : public QObject
{
    Q_OBJECT
public:
    explicit ClipboardBridge(Clipboard &clipboard);
    // Number of changes delivered so far.
    int delivered() const { return m_delivered; }

private:
    void deliver();
    int m_delivered = 0;
};
