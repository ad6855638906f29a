#pragma once
// The text store window: every clipboard text let in is kept in the text
// list List1(0); Text1 receives each captured text; Check1 "Automatisch"
// appends it; Check2 "Grossklein" records the layout. Entries go back to the
// clipboard from Text2 (the picked entry), which is also what is saved.

#include "forms/controls.h"
#include "forms/form.h"

#include <array>

class Textform : public Form
{
    Q_OBJECT
public:
    explicit Textform(Forms &forms);

    // Controls, in stacking order (each above those declared after it).
    CheckBox *Check3;              // no caption, ticked: always on top
    QPushButton *Command12;        // "Command12" (outside): large layout
    QPushButton *Command11;        // "EXIT": closes the window
    CheckBox *Check2;              // "Grossklein" (outside): ticked in the small layout
    QPushButton *Command10;        // "mite" (outside): middle layout
    QPushButton *Command9;         // "klein" (outside): small-layout geometry
    QPushButton *Command8;         // "gross" (outside): large-layout geometry
    std::array<ListBox *, 3> List1; // List1(0) the text list; 1 and 2 outside
    QWidget *Frame1;               // icon bar of the small layout
    PictureBox *Picture3;          // in Frame1: large layout
    PictureBox *Picture2;          // in Frame1: copy out
    PictureBox *Picture1;          // in Frame1: paste in
    QPushButton *Command4;         // "Fenster kleiner": small layout
    QPushButton *Command6;         // "Text-Ordner-öffnen": opens the text folder
    QPushButton *Command5;         // "Speichern": saves Text2
    TextBox *Text2;                // the selected entry; what copy-out and saving use
    TextBox *Text1;                // receives each captured clipboard text
    QPushButton *Command1;         // "Command1" (outside): shows the hidden viewer window
    CheckBox *Check1;              // "Automatisch": automatic capture
    QPushButton *Command2;         // "Einfügen": paste in
    QPushButton *Command3;         // "Kopiere": copy out
    QPushButton *Command7;         // "Lösche": delete the selected entry
    QLabel *Label2;                // "text" (outside): date-time stamp and folder name
    QLabel *Label1;                // (outside) note on the list keys

    // Capture and layouts.
    void Text1_Change();
    void Check1_Click();
    void Check1_LostFocus();
    void Check2_Click();
    void Check3_Click();
    void Command4_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();
    void Command12_Click();
    void Picture3_Click();
    void Command11_Click();
    void Command1_Click();

    // The lists: transfer and editing.
    void List1_Click(int index);
    void List1_DblClick(int index);
    void List1_KeyDown(int index, int keyCode, int shift);
    void List1_LostFocus(int index);
    void List1_MouseMove(int index, int button, int shift, int x, int y);
    void Command2_Click();
    void Command3_Click();
    void Command7_Click();
    void Picture1_Click();
    void Picture2_Click();

    // Saving.
    void Label2_Click();
    void Command5_Click();
    void Command5_MouseMove(int button, int shift, int x, int y);
    void Command6_Click();

protected:
    void Form_Load() override;
    void Form_QueryUnload(int &cancel, int unloadMode) override;
    void Form_KeyDown(int keyCode, int shift) override;
    void Form_Paint() override;
    void resizeEvent(QResizeEvent *event) override;

public:
    // The history was switched on while the window is loaded: it takes the list as it stands.
    void historyAttached();

private:
    // Lists what the history kept, then tells it every change of the list.
    void keepHistory();
    void build();
    // The controls at the client area's right and lower edges follow them.
    void followClientArea();
    void wire();
    void wireLists();
    // Clears the clipboard and puts `text` on it as plain text.
    void putOnClipboard(const QString &text);

    bool m_built = false;
};
