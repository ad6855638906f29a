#pragma once
// The image store window: ten image slots filled from the clipboard. Slot n
// is Bildx[n] (full-size picture, kept as the bytes it came as), Picture2[n] (thumbnail) and Option1[n]
// (slot button); the text of Text1 is the only record of the current slot.
// Controls at Top 1440 twips or more lie in the storage band, below the
// window's initial client area.

#include "forms/controls.h"
#include "forms/form.h"

#include <QFrame>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class Bilderramen;

class Formbilder : public Form
{
    Q_OBJECT
public:
    static constexpr int kSlots = 10;
    // "Auto-Maus": the window's outer width (twips) with the pointer over
    // thumbnail i; thumbnail 9 leaves the width as it is.
    static constexpr std::array<int, kSlots - 1> kAutoWidths = {3600, 4710, 5775, 6855, 7950,
                                                                9030, 10110, 11190, 12300};

    // Sizes (twips) of a slot's thumbnail and of the preview after a capture.
    static constexpr int kThumbWidth = 1095;
    static constexpr int kThumbHeight = 735;
    static constexpr int kPreviewWidth = 1215;
    static constexpr int kPreviewHeight = 855;

    explicit Formbilder(Forms &forms);

    // Visible band.
    PictureBox *Picture7;                        // clipboard preview (placeholder at design)
    QPushButton *Command9;                       // "Aktual...": capture
    std::array<PictureBox *, kSlots> Picture2;   // slot thumbnails; 0..2 hold sample pictures
    std::array<OptionButton *, kSlots> Option1;  // "Bild 0" .. "Bild 9": the slot buttons
    QPushButton *Command15;                      // "löschen": delete all slots
    QPushButton *Command27;                      // "[x]": delete the current slot
    QPushButton *Command19;                      // "Kopieren": current slot to the clipboard
    QPushButton *Command17;                      // "Einfügen": store into the current slot
    QPushButton *Command5;                       // "Speichern": save the current slot
    QPushButton *Command14;                      // "-Uhr": save under a date-time name
    QPushButton *Command16;                      // "Bilder Ordner": open the image folder
    QPushButton *Command22;                      // "Bild-Fenster": open the image viewer
    QPushButton *Command13;                      // "<": previous slot
    LineTextBox *Text1;                          // current slot number as decimal text ("0")
    QPushButton *Command12;                      // ">": next slot
    CheckBox *Check4;                            // "Auto-Maus": window width follows the pointer
    CheckBox *Check1;                            // "Automatisch": store every capture and advance
    CheckBox *Check2;                            // "vordergrund" (ticked): always on top
    CheckBox *Check3;                            // "Transparent": see-through window
    QPushButton *Command24;                      // "Text": open the text store
    QPushButton *Command10;                      // "EXIT": close the window

    // Storage band.
    QFrame *Frame1;                              // white frame beneath the storage band
    std::array<PictureBox *, kSlots> Bildx;      // the slots' full-size pictures, as they came
    PictureBox *Picture1;                        // working picture: source of every fitted painting
    PictureBox *Picture3;                        // the placeholder, copied back into the preview
    QPushButton *Command1;                       // "Transparent": opacity 128
    QPushButton *Command2;                       // "Rückgängig": opaque again
    QPushButton *Command3;                       // "Command3": message "Text"
    QPushButton *Command4;                       // "Command4": selects "Bild 0"
    QPushButton *Command6;                       // "Zwischablage.Show": shows the viewer window
    QPushButton *Command11;                      // "start": capture
    QPushButton *Command18;                      // "bildladen timer" (invisible)
    QPushButton *Command20;                      // "kein Treffer"
    QPushButton *Command21;                      // "OptionGroup2"
    QPushButton *Command23;                      // "Command23"
    QLabel *Label2;                              // "Datum": date-time stamp
    QLabel *Label3;                              // "bilder": the image folder's name

    // The current slot (integer value of Text1), nothing when out of 0..9.
    std::optional<int> currentSlot() const;

    void Command9_Click();
    void Command17_Click();
    void Command12_Click();
    void Command13_Click();
    void Command15_Click();
    void Command27_Click();
    void Command19_Click();
    void Picture2_DblClick(int index);
    void Bildx_Click(int index);
    void Picture7_DblClick();
    void Command20_Click();
    void Command21_Click();
    void Command23_Click();
    void Label2_Click();
    void Command5_Click();
    void Command14_Click();
    void Command14_MouseMove(int button, int shift, int x, int y);
    void Command16_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command6_Click();
    void Command10_Click();
    void Command11_Click();
    void Text1_Change();
    void Option1_Click(int index);
    void Option1_GotFocus(int index);
    void Option1_MouseMove(int index, int button, int shift, int x, int y);
    void Option1_DblClick(int index);
    void Check1_LostFocus();
    void Check2_Click();
    void Check3_Click();
    void Check4_LostFocus();

    // The window's behaviours: hover texts, auto width, dragging, the other windows.
    void Picture2_MouseMove(int index, int button, int shift, int x, int y);
    void Picture2_MouseDown(int index, int button, int shift, int x, int y);
    void Form_MouseMove(int button, int shift, int x, int y);
    // The system's move of window `hwnd`, as by a press on its title bar.
    void MoveWindow(HWND hwnd);
    void Command15_MouseMove(int button, int shift, int x, int y);
    void Command27_MouseMove(int button, int shift, int x, int y);
    void Command17_MouseMove(int button, int shift, int x, int y);
    void Command19_MouseMove(int button, int shift, int x, int y);
    void Picture7_MouseMove(int button, int shift, int x, int y);
    void Command18_Click();
    void Command22_Click();
    void Command24_Click();
    // Opens the image folder for the window `owner` (creating it when missing).
    void openImageFolder(HWND owner);
    // The history was switched on while the window is loaded: it takes the slots as they stand.
    void historyAttached();

protected:
    void Form_Load() override;
    void Form_QueryUnload(int &cancel, int unloadMode) override;
    void Form_Paint() override;
    void Form_KeyDown(int keyCode, int shift) override;
    // Raises Form_MouseMove for moves over the window's own surface, not over a control.
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void buildVisibleBand();
    void wireBehaviours();
    void buildStorageBand();
    void wire();
    // The picture the hidden viewer window holds (its most recent clipboard bitmap).
    StoredPicture viewerPicture();
    // Text1 as a number plus `step`, written back as shortest text; skipped when not a number.
    void stepSlotNumber(double step);
    void selectCurrentSlot();
    // The current slot's picture onto the clipboard; an empty slot leaves the clipboard as it was.
    void copyCurrentSlot();
    // Writes the current slot into the image folder as "Bild-" + slot text + stamp + ".bmp"
    // and confirms with `confirmEnd` after the name.
    void saveCurrentSlot(const QString &stamp, const QString &confirmEnd);
    void message(const QString &text);
    // The lowest index of a selected button, 0 when none is.
    static std::int16_t SelectedIndex(const std::array<OptionButton *, kSlots> &buttons);
    void setOptionsFlag();
    // Slot `n` into the viewer's picture, at once or once decoded.
    void showInViewer(Bilderramen &viewer, int n);
    void viewerDecoded(const StoredPicture &picture, const QImage &pixels);
    // Shows what the history kept of the slots, as the window showed it.
    void keepHistory();
    // Slot `n` as it now stands, handed to the history.
    void slotToHistory(int n);

    std::weak_ptr<const void> m_forViewer; // the stored picture the viewer is to show
    std::weak_ptr<const void> m_inViewer;  // the one whose pixels it holds
    std::weak_ptr<const void> m_decoding;  // the one being decoded for it
};
