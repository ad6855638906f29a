#pragma once
// The image viewer window: the image store's current slot enlarged, at its
// natural size (1:1 mode, Check1 unticked) or stretched to the window (fit
// mode, Check1 ticked). It holds no slot of its own: "<<" and ">>" press the
// store's "<" and ">", and the one-shot Timer1 reloads the picture, the info
// label and the view mode one interval after each enabling.

#include "forms/controls.h"
#include "forms/form.h"
#include "forms/imagecontrol.h"

#include <QFrame>
#include <QTimer>

class Formbilder;

class Bilderramen : public Form
{
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 1000;

    explicit Bilderramen(Forms &forms);

    // Controls, each above those declared before it.
    ImageControl *Image1;    // the picture; stretched into the size ApplyViewMode gives it
    QFrame *Frame1;          // white strip behind the button row
    CheckBox *Check1;        // "Orginal Bild 1:1" (unticked) / "Bild an Fenster anpassen" (ticked)
    QPushButton *Command1;   // "Speichern": the store's stamped save
    QPushButton *Command2;   // "Bilder Ordner öffnen": the store's image folder
    QPushButton *Command4;   // "<<": the store's "<"
    QPushButton *Command5;   // ">>": the store's ">"
    QPushButton *Command3;   // "Exit"
    QLabel *Label1;          // "Speicher Infos", then the slot last refreshed
    QPushButton *Command9;   // "Orginal" (invisible): natural size + 1 twip, once
    QPushButton *Command10;  // "100% auf Fenster" (invisible): window size - 50 twips, once
    QTimer *Timer1;          // the refresh, 1000 ms after the last enabling; enabled at load

    // Image1 at the mode Check1 names, and Check1's caption naming it.
    void ApplyViewMode();
    void Timer1_Timer();
    void Check1_Click();
    void Command1_Click();
    void Command1_MouseMove(int button, int shift, int x, int y);
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command4_MouseMove(int button, int shift, int x, int y);
    void Command5_Click();
    void Command5_MouseMove(int button, int shift, int x, int y);
    void Label1_Click();
    void Image1_Click();
    void Command9_Click();
    void Command10_Click();

protected:
    void Form_QueryUnload(int &cancel, int unloadMode) override;
    void Form_KeyDown(int keyCode, int shift) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void build();
    void wire();
    // The image store, loaded (unseen) again if it was closed.
    Formbilder &store();
    QString slotText();
    // Pressing a store button from a browse button: its caption ending, then the refresh.
    void browsed(const QString &captionEnd);
    // The picture's stretch switched off and on again, as every view change begins.
    void restretch();
    // The picture at its own size and one twip more each way.
    void naturalSizePlusOne();
};
