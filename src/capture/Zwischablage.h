#pragma once
// The hidden viewer window: a member of the clipboard-viewer chain while it
// exists; each clipboard text goes into Text1, each bitmap into Picture1, and
// their change events hand the content on to the two stores.

#include "forms/controls.h"
#include "forms/form.h"

class Zwischablage : public Form
{
    Q_OBJECT
public:
    explicit Zwischablage(Forms &forms);

    TextBox *Text1;          // most recent clipboard text (at most 32767 characters)
    PictureBox *Picture1;    // most recent clipboard bitmap, as its picture
    QPushButton *Command1;   // "Ende": unloads the window (it leaves the chain)
    QPushButton *Command2;   // "x": hides the window; it stays in the chain
    QPushButton *Command6;   // "Clipboard.Clear": empties the system clipboard
    QWidget *Frame1;         // layout frame holding Label1 and Command3
    QLabel *Label1;          // layout only
    QPushButton *Command3;   // "Command3": layout only, no action

    void Command1_Click();
    void Command2_Click();
    void Command6_Click();
    void Text1_Change();
    void Picture1_Change();

    // Leaves the viewer chain if a viewer window exists (run before the program ends).
    static void leaveBeforeEnd(Forms &forms);

protected:
    void Form_Load() override;
    void Form_Unload(int &cancel) override;
};
