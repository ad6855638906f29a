#pragma once
// The selector window: the program's main window. It owns the two options
// flags that the store windows set when their options may have changed.

#include "winutil/controls.h"
#include "winutil/form.h"

class Starter : public Form
{
    Q_OBJECT
public:
    explicit Starter(Forms &forms);

    CheckBox *Check1; // "Check1" (outside): image options flag
    CheckBox *Check2; // "Check2" (outside): text options flag
};
