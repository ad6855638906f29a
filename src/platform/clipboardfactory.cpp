#include "platform/clipboardfactory.h"

#include "platform/qtclipboard.h"
#include "platform/x11clipboard.h"
#include "platform/x11connection.h"

std::unique_ptr<Clipboard> makeClipboard()
{
    if (x11::onX11()) {
        auto x11 = std::make_unique<X11Clipboard>();
        if (x11->connected())
            return x11;
    }
    return std::make_unique<QtClipboard>();
}
