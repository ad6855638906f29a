#include "platform/clipboard/clipboardfactory.h"

#include "platform/services/log.h"
#include "platform/clipboard/qtclipboard.h"
#include "platform/clipboard/waylandsession.h"
#include "platform/clipboard/wayland/waylandclipboard.h"
#include "platform/clipboard/x11/x11clipboard.h"
#include "platform/services/x11connection.h"

namespace {

// Says `text` once the event loop runs, when the program's wiring listens.
std::unique_ptr<Clipboard> telling(std::unique_ptr<Clipboard> clipboard, const QString &text)
{
    if (!text.isEmpty()) {
        qCWarning(lcClipboard).noquote() << text;
        QMetaObject::invokeMethod(
            clipboard.get(), [c = clipboard.get(), text] { emit c->notice(text); }, Qt::QueuedConnection);
    }
    return clipboard;
}

std::unique_ptr<Clipboard> chosen(bool *reached)
{
    // Where the compositor offers data control, every change is seen
    // through it, whatever has the focus; X11 would see them only while an
    // X11 window has it, and the bridged ones twice.
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        auto wayland = std::make_unique<WaylandClipboard>();
        *reached = wayland->reached();
        if (wayland->connected()) {
            qCInfo(lcClipboard).noquote() << "clipboard route: Wayland data control," << wayland->route();
            return wayland;
        }
        qCInfo(lcClipboard).noquote() << "no Wayland data control:" << wayland->problem();
    }
    if (x11::onX11()) {
        auto x11 = std::make_unique<X11Clipboard>();
        if (x11->connected()) {
            qCInfo(lcClipboard) << "clipboard route: X11 selection reader";
            return x11;
        }
    }
    qCInfo(lcClipboard) << "clipboard route: Qt's clipboard";
    return std::make_unique<QtClipboard>();
}

} // namespace

std::unique_ptr<Clipboard> makeClipboard()
{
    bool reached = true;
    std::unique_ptr<Clipboard> clipboard = chosen(&reached);
    const bool dataControl = dynamic_cast<WaylandClipboard *>(clipboard.get()) != nullptr;
    return telling(std::move(clipboard), unseenCopiesNotice(WaylandSession::fromEnvironment(), dataControl, reached));
}
