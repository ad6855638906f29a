#pragma once
// The selector window: the program's main window. It opens the two stores,
// sends the program to the notification area, opens the help page and ends
// the program. Out of sight it owns the two options flags, the buttons that
// save and read the options files, and the box that receives the
// notification icon's mouse messages.

#include "forms/controls.h"
#include "forms/form.h"
#include "platform/windows/shell32.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <functional>

class Starter : public Form
{
    Q_OBJECT
public:
    explicit Starter(Forms &forms);
    ~Starter() override;

    // Client area in twips (the menu bar, when shown, lies above it).
    static constexpr int kClientWidth = 6345;
    static constexpr int kClientHeight = 750;

    // Visible controls.
    PictureBox *Picture6; // help picture: opens the help page
    PictureBox *Picture1; // image store icon: opens the image store
    QLabel *Label1;       // "Bilder-Speicher-Liste": opens the image store
    PictureBox *Picture2; // text store icon: opens the text store
    QLabel *Label2;       // "Text-Speicher-Liste": opens the text store
    PictureBox *Picture5; // notification-area picture: GoToTray
    QLabel *Label4;       // "Icon rechts unten": GoToTray
    PictureBox *Picture3; // exit icon: the menu entry "Ende"
    QLabel *Label3;       // "Exit": ends the program

    // Controls below the client area, used by code only.
    PictureBox *Picture4;  // receives the notification icon's mouse messages
    CheckBox *Check1;      // "Check1": image options flag
    CheckBox *Check2;      // "Check2": text options flag
    QPushButton *Command2; // "lese": read the image options, line 1, then Command6
    QPushButton *Command6; // "2": read lines 1 and 2 into the image store's "Automatisch"
    QPushButton *Command3; // "speicher": ask, then save the image options
    QPushButton *Command4; // "speichern2": ask, then save the text options
    QPushButton *Command5; // "lesen2": read the text options

    // The menu "Menu": the notification icon's pop-up menu and the window's menu bar.
    QMenu *mnBar;
    QAction *hilfefenster1;        // "Hilfe Fenster", F1
    QAction *leer4;                // separator
    QAction *zwischenablageleeren; // "Bilder+Zwischenablage-Leeren": empties all image slots
    QAction *leer3;                // separator
    QAction *mnMsgShow;            // "Bilder-Speicher", Ctrl+B
    QAction *leer;                 // separator
    QAction *mnBeep;               // "Text-Speicher Fenster klein", Ctrl+T
    QAction *mnNix;                // "Text-Speicher Fenster gross", Ctrl+G
    QAction *leer1;                // separator
    QAction *startfenster1;        // "Startfenster", Ctrl+S
    QAction *mnExit;               // "Ende", Ctrl+E

    // The notification icon's record, used unchanged to add and to remove it.
    NOTIFYICONDATA TrayIcon;

    void Picture1_Click();
    void Label1_Click();
    void Picture2_Click();
    void Label2_Click();
    void Picture5_Click();
    void Label4_Click();
    void Picture6_Click();
    void Picture3_Click();
    void Label3_Click();
    // X is in twips; the shell's mouse message number is X in pixels.
    void Picture4_MouseMove(int button, int shift, double x, double y);

    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();

    void hilfefenster1_Click();
    void zwischenablageleeren_Click();
    void mnMsgShow_Click();
    void mnBeep_Click();
    void mnNix_Click();
    void startfenster1_Click();
    void mnExit_Click();

    // Hides the window into the notification area (the click of Picture5).
    void GoToTray();

    HWND picture4Handle() const { return m_picture4; }
    bool menuBarVisible() const;

protected:
    void Form_QueryUnload(int &cancel, int unloadMode) override;
    void Form_Unload(int &cancel) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    std::optional<QRect> keptClear() const override;

private:
    void build();
    void buildHidden();
    void buildMenu();
    void wire();
    LRESULT picture4Proc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void setMenuBarVisible(bool on);
    void fitWindowToMenuBar(bool evenUnframed);
    void setTaskVisible(bool on);
    bool trayPresent() const;
    // Without a notification area the selector stays in sight with its menu.
    void stayReachable();
    void trayHostChanged(bool present);
    void showRestored();
    void openHelp();
    void saveOptions(const QString &path, const std::vector<int> &values);
    // Asks `question`; Yes writes values() to `path`, No says `notSaved`; either clears `flag`.
    void askToSave(const QString &question, const QString &notSaved, CheckBox *flag, const QString &path,
                   const std::function<std::vector<int>()> &values);

    QWidget *m_body;     // the client area; moves down while the menu bar shows
    QMenuBar *m_menuBar;
    HWND m_picture4 = 0;
    HICON m_icon = 0;
    bool m_ending = false;
    bool m_popUpOpen = false;
};
