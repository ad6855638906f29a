#pragma once
// The selector window: the program's main window. It owns the two options
// flags that the store windows set when their options may have changed, and
// the buttons that save and read the options files.

#include "winutil/controls.h"
#include "winutil/form.h"

class Starter : public Form
{
    Q_OBJECT
public:
    explicit Starter(Forms &forms);

    CheckBox *Check1; // "Check1" (outside): image options flag
    CheckBox *Check2; // "Check2" (outside): text options flag

    void Command2_Click(); // "lese": read the image options, line 1, then Command6
    void Command3_Click(); // "speicher": ask, then save the image options
    void Command4_Click(); // "speichern2": ask, then save the text options
    void Command5_Click(); // "lesen2": read the text options
    void Command6_Click(); // "2": read lines 1 and 2 into the image store's "Automatisch"
};
