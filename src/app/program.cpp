#include "program.h"

#include "capture/Zwischablage.h"
#include "shell/Starter.h"
#include "winutil/forms.h"
#include "winutil/shell32.h"

namespace program {

void wire(Forms &forms)
{
    shell32::UseTrayService(forms.services().tray);
    forms.addEndStep([&forms] { Zwischablage::leaveBeforeEnd(forms); });
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
