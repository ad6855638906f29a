#include "program.h"

#include "capture/Zwischablage.h"
#include "winutil/forms.h"

namespace program {

void wire(Forms &forms)
{
    forms.addEndStep([&forms] { Zwischablage::leaveBeforeEnd(forms); });
}

} // namespace program
