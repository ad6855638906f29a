#include "platform/clipboard/clipboardbridge.h"

#include "platform/windows/user32.h"

ClipboardBridge::ClipboardBridge(Clipboard &clipboard)
    : QObject(nullptr)
{
    connect(&clipboard, &Clipboard::changed, this, &ClipboardBridge::deliver);
}

void ClipboardBridge::deliver()
{
    ++m_delivered;
    const HWND head = user32::GetClipboardViewer();
    if (head != 0)
        SendMessageA(head, WM_DRAWCLIPBOARD, 0, 0);
}
