#pragma once
// The image store window: ten image slots filled from the clipboard.

#include "winutil/controls.h"
#include "winutil/form.h"

class Formbilder : public Form
{
    Q_OBJECT
public:
    explicit Formbilder(Forms &forms);

    CheckBox *Check1; // "Automatisch"
    CheckBox *Check4; // "Auto-Maus"

    void Command9_Click();
    void Command15_Click();
};
