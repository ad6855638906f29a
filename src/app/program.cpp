#include "program.h"

#include "capture/Zwischablage.h"
#include "forms/forms.h"
#include "imagestore/bmpfile.h"
#include "platform/clipboard/imageoffer.h"
#include "platform/clipboard/change.h"
#include "platform/windows/shell32.h"
#include "shell/Starter.h"

#include <cmath>

namespace program {

namespace {
QString mib(qint64 bytes)
{
    return QString::number(std::llround(double(bytes) / (1024.0 * 1024.0)));
}
} // namespace

QString refusalNotice(QSize size)
{
    const QString pixels = QStringLiteral("%1 × %2 Pixel").arg(size.width()).arg(size.height());
    if (size.isValid() && ClipboardLimits::tooManyPixels(size))
        return QStringLiteral("Bild nicht übernommen: %1 sind zu groß (höchstens %2 × %2 Pixel).")
            .arg(pixels)
            .arg(ClipboardLimits::kMaxSide);
    // Within the pixels but more bytes than a transfer may bring.
    return QStringLiteral("Bild nicht übernommen: %1größer als %2 MB.")
        .arg(size.isValid() ? pixels + QStringLiteral(", ") : QString())
        .arg(mib(ClipboardLimits::kMaxImageBytes));
}

void wire(Forms &forms)
{
    shell32::UseTrayService(forms.services().tray);
    forms.addEndStep([&forms] { Zwischablage::leaveBeforeEnd(forms); });
    // Copies offer image/bmp written as the saves write it.
    ImageOffer::setBitmapWriter([](const QImage &image, QIODevice &out) { return bmpfile::write(image, out); });
    Services &s = forms.services();
    // Once out of the viewer chain, so that a manager taking the clipboard over is not captured.
    if (s.clipboard)
        forms.addEndStep([clipboard = s.clipboard] { clipboard->keepAfterEnd(); });
    if (s.clipboard && s.tray) {
        QObject::connect(s.clipboard, &Clipboard::notice, s.tray,
                         [tray = s.tray](const QString &text) { tray->notify(kAppTitle, text); });
        QObject::connect(s.clipboard, &Clipboard::pictureRefused, s.tray, [tray = s.tray](QSize size) {
            tray->notify(kAppTitle, refusalNotice(size));
        });
    }
}

void bringForward(Forms &forms)
{
    Starter *starter = forms.find<Starter>();
    if (forms.ended() || !starter || starter->isUnloaded())
        return;
    // The icon's double-click message, as the notification area sends it to
    // the box that receives the icon's mouse messages.
    SendMessageA(starter->picture4Handle(), WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK);
    // Started by the user, so the window takes the focus as well.
    starter->activateWindow();
}

} // namespace program
