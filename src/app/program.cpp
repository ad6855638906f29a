#include "program.h"

#include "capture/Zwischablage.h"
#include "winutil/forms.h"
#include "winutil/shell32.h"

namespace program {

void wire(Forms &forms)
{
    shell32::UseTrayService(forms.services().tray);
    forms.addEndStep([&forms] { Zwischablage::leaveBeforeEnd(forms); });
}

} // namespace program
