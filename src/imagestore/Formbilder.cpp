#include "Formbilder.h"

#include "ImageArtwork.h"
#include "PaintFitted.h"

#include "capture/Zwischablage.h"
#include "forms/ModuleTransparent.h"
#include "forms/Modulevordergrund.h"
#include "forms/forms.h"
#include "forms/twips.h"
#include "forms/vbnum.h"
#include "platform/clipboard/memoryreturn.h"
#include "platform/history/history.h"
#include "shell/Starter.h"

namespace {

constexpr int kSlotLeft = 1320;  // Left of slot 0's thumbnail, button and storage box
constexpr int kSlotStep = 1080;  // twips from one slot to the next

int slotLeft(int n)
{
    return kSlotLeft + kSlotStep * n;
}

PictureBox *pictureBox(QWidget *parent, PictureBox::Scale scale, int l, int t, int w, int h)
{
    auto *box = new PictureBox(parent, scale);
    twips::place(box, l, t, w, h);
    return box;
}

CheckBox *checkBox(QWidget *parent, const QString &caption, int l, int t, int w, int h)
{
    auto *box = new CheckBox(caption, parent);
    twips::place(box, l, t, w, h);
    return box;
}

// The integer limits PaintFitted takes from a box's inner area.
void paintFittedInto(PictureBox &source, PictureBox &target)
{
    const auto maxWidth = vbnum::toInt32(target.ScaleWidth());
    const auto maxHeight = vbnum::toInt32(target.ScaleHeight());
    if (maxWidth && maxHeight)
        modMain::PaintFitted(*maxWidth, *maxHeight, source, target);
}

} // namespace

Formbilder::Formbilder(Forms &forms)
    : Form(forms)
{
    // "vordergrund" is ticked at design: the window opens in the always-on-top band.
    setWindowFlags(Qt::Window);
    SetWindowPos(hWnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    setFixedBorder(false);
    setKeyPreview(true);
    setCaption(QStringLiteral("Merkolo, Quenta"));
    setClientSizeTwips(12210, 1455);
    setFont(condensedSansSerif());
    buildStorageBand();
    buildVisibleBand();
    wire();
    wireBehaviours();
}

void Formbilder::buildVisibleBand()
{
    Picture7 = pictureBox(this, PictureBox::Scale::Pixels, 0, 0, kPreviewWidth, 735);
    Picture7->setBackColor(Qt::white);
    Picture7->setPicture(imageartwork::placeholder());
    Command9 = makeButton(this, QStringLiteral("Aktual..."), 0, 720, 1215, 255, QStringLiteral("Aktualisieren"));

    for (int n = 0; n < kSlots; ++n) {
        Picture2[n] = pictureBox(this, PictureBox::Scale::Pixels, slotLeft(n), 0, kThumbWidth, kThumbHeight);
        Picture2[n]->setPicture(imageartwork::sample(n));
        Option1[n] = new OptionButton(QStringLiteral("Bild %1").arg(n), this);
        const int top = n == 0 || n == 5 ? 720 : 730;
        twips::place(Option1[n], slotLeft(n), top, 1095, n == 5 ? 255 : 240);
    }
    setPlainToolTip(Picture2[0], QStringLiteral("Doppelklick einfügen>"));
    Option1[0]->setChecked(true);

    Command15 = makeButton(this, QStringLiteral("löschen"), 0, 960, 855, 375);
    Command27 = makeButton(this, QStringLiteral("[x]"), 840, 960, 375, 375);
    Command19 = makeButton(this, QStringLiteral("Kopieren"), 1320, 960, 975, 375);
    Command17 = makeButton(this, QStringLiteral("Einfügen"), 2280, 960, 975, 375);
    Command5 = makeButton(this, QStringLiteral("Speichern"), 3360, 960, 975, 375, QStringLiteral("Speichern"));
    Command14 = makeButton(this, QStringLiteral("-Uhr"), 4320, 960, 495, 375,
                           QStringLiteral("Nach Datum + Uhrzeit speichern"));
    Command16 = makeButton(this, QStringLiteral("Bilder Ordner"), 4920, 960, 1455, 375,
                           QStringLiteral("Bilder Ordner"));
    Command22 = makeButton(this, QStringLiteral("Bild-Fenster"), 6480, 960, 1215, 375,
                           QStringLiteral("Bild-Fenster"));
    Command13 = makeButton(this, QStringLiteral("<"), 7800, 960, 255, 375);
    Text1 = new LineTextBox(this);
    twips::place(Text1, 8040, 1010, 255, 345);
    Text1->setText(QStringLiteral("0"));
    Command12 = makeButton(this, QStringLiteral(">"), 8280, 960, 255, 375);
    Check4 = checkBox(this, QStringLiteral("Auto-Maus"), 8640, 960, 1095, 255);
    Check1 = checkBox(this, QStringLiteral("Automatisch"), 8640, 1170, 1215, 255);
    Check2 = checkBox(this, QStringLiteral("vordergrund"), 9960, 960, 1215, 255);
    Check2->setValue(1);
    Check3 = checkBox(this, QStringLiteral("Transparent"), 9960, 1170, 1215, 255);
    Command24 = makeButton(this, QStringLiteral("Text"), 11280, 930, 855, 250, QStringLiteral("Text Speicher"));
    Command10 = makeButton(this, QStringLiteral("EXIT"), 11280, 1170, 855, 250);
    // The capture button stays in full view when the preview grows over it.
    Command9->raise();
}

void Formbilder::buildStorageBand()
{
    Frame1 = new QFrame(this);
    twips::place(Frame1, 0, 1440, 12135, 4455);
    setColours(Frame1, Qt::white);

    for (int n = 0; n < kSlots; ++n)
        Bildx[n] = pictureBox(this, PictureBox::Scale::Twips, slotLeft(n), 1800, 975, 375);
    Picture1 = pictureBox(this, PictureBox::Scale::Twips, 120, 2280, 1095, 735);
    Picture3 = pictureBox(this, PictureBox::Scale::Twips, 0, 4200, 1095, 735);
    Picture3->setPicture(imageartwork::placeholder());

    Command1 = makeButton(this, QStringLiteral("Transparent"), 120, 1560, 1095, 255);
    Command2 = makeButton(this, QStringLiteral("Rückgängig"), 120, 2040, 1095, 255);
    Command3 = makeButton(this, QStringLiteral("Command3"), 4560, 2760, 1095, 375);
    Command4 = makeButton(this, QStringLiteral("Command4"), 4560, 3120, 1095, 375);
    Command6 = makeButton(this, QStringLiteral("Zwischablage.Show"), 5760, 2760, 1575, 375);
    Command11 = makeButton(this, QStringLiteral("start"), 5760, 3120, 1095, 375);
    Command18 = makeButton(this, QStringLiteral("bildladen timer"), 5640, 1560, 1575, 375);
    Command18->setVisible(false);
    Command21 = makeButton(this, QStringLiteral("OptionGroup2"), 1320, 2760, 1575, 375);
    Command20 = makeButton(this, QStringLiteral("kein Treffer"), 1320, 3120, 1575, 375);
    Command23 = makeButton(this, QStringLiteral("Command23"), 3000, 3120, 1455, 375);
    Label3 = makeLabel(this, QStringLiteral("bilder"), 3000, 4200, 2655, 255);
    Label2 = makeLabel(this, QStringLiteral("Datum"), 3000, 4440, 1935, 255);
    Frame1->lower();
}

void Formbilder::wire()
{
    connect(Command9, &QPushButton::clicked, this, &Formbilder::Command9_Click);
    connect(Command17, &QPushButton::clicked, this, &Formbilder::Command17_Click);
    connect(Command12, &QPushButton::clicked, this, &Formbilder::Command12_Click);
    connect(Command13, &QPushButton::clicked, this, &Formbilder::Command13_Click);
    connect(Command15, &QPushButton::clicked, this, &Formbilder::Command15_Click);
    connect(Command27, &QPushButton::clicked, this, &Formbilder::Command27_Click);
    connect(Command1, &QPushButton::clicked, this, &Formbilder::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Formbilder::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Formbilder::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Formbilder::Command4_Click);
    connect(Command6, &QPushButton::clicked, this, &Formbilder::Command6_Click);
    connect(Command10, &QPushButton::clicked, this, &Formbilder::Command10_Click);
    connect(Command11, &QPushButton::clicked, this, &Formbilder::Command11_Click);
    connect(Command18, &QPushButton::clicked, this, &Formbilder::Command18_Click);
    connect(Text1, &LineTextBox::Change, this, &Formbilder::Text1_Change);
    for (int n = 0; n < kSlots; ++n) {
        connect(Option1[n], &OptionButton::Click, this, [this, n] { Option1_Click(n); });
        ControlEvents *e = events(Option1[n]);
        connect(e, &ControlEvents::GotFocus, this, [this, n] { Option1_GotFocus(n); });
        connect(e, &ControlEvents::MouseMove, this,
                [this, n](int button, int shift, int x, int y) { Option1_MouseMove(n, button, shift, x, y); });
        connect(e, &ControlEvents::DblClick, this, [this, n] { Option1_DblClick(n); });
        connect(events(Picture2[n]), &ControlEvents::DblClick, this, [this, n] { Picture2_DblClick(n); });
        connect(events(Bildx[n]), &ControlEvents::Click, this, [this, n] { Bildx_Click(n); });
    }
    connect(events(Picture7), &ControlEvents::DblClick, this, &Formbilder::Picture7_DblClick);
    connect(Command19, &QPushButton::clicked, this, &Formbilder::Command19_Click);
    connect(Command20, &QPushButton::clicked, this, &Formbilder::Command20_Click);
    connect(Command21, &QPushButton::clicked, this, &Formbilder::Command21_Click);
    connect(Command23, &QPushButton::clicked, this, &Formbilder::Command23_Click);
    connect(events(Label2), &ControlEvents::Click, this, &Formbilder::Label2_Click);
    connect(Command5, &QPushButton::clicked, this, &Formbilder::Command5_Click);
    connect(Command14, &QPushButton::clicked, this, &Formbilder::Command14_Click);
    connect(events(Command14), &ControlEvents::MouseMove, this, &Formbilder::Command14_MouseMove);
    connect(Command16, &QPushButton::clicked, this, &Formbilder::Command16_Click);
    connect(events(Check1), &ControlEvents::LostFocus, this, &Formbilder::Check1_LostFocus);
    connect(events(Check4), &ControlEvents::LostFocus, this, &Formbilder::Check4_LostFocus);
    connect(Check2, &CheckBox::Click, this, &Formbilder::Check2_Click);
    connect(Check3, &CheckBox::Click, this, &Formbilder::Check3_Click);
}

void Formbilder::Form_Load()
{
    Zwischablage &viewer = forms().get<Zwischablage>();
    viewer.Show();
    viewer.Hide();
    keepHistory();
}

std::optional<int> Formbilder::currentSlot() const
{
    const auto n = vbnum::toInt16(Text1->Text());
    if (!n || *n < 0 || *n >= kSlots)
        return std::nullopt;
    return *n;
}

StoredPicture Formbilder::viewerPicture()
{
    return forms().get<Zwischablage>().Picture1->stored();
}

void Formbilder::stepSlotNumber(double step)
{
    if (const auto v = vbnum::toDouble(Text1->Text()))
        Text1->setText(vbnum::toText(*v + step));
}

void Formbilder::selectCurrentSlot()
{
    if (const auto k = currentSlot())
        Option1[*k]->setValue(true);
}

void Formbilder::Command9_Click()
{
    // A press with no picture held (nothing captured yet) has nothing to show or store.
    const StoredPicture picture = viewerPicture();
    if (picture.isNull())
        return;
    Picture1->setPicture(picture);
    paintFittedInto(*Picture1, *Picture7);
    twips::setWidth(Picture7, kPreviewWidth);
    twips::setHeight(Picture7, kPreviewHeight);
    if (Check1->Value() == 0)
        return;
    Command17_Click();
    stepSlotNumber(1);
    selectCurrentSlot();
}

void Formbilder::Command17_Click()
{
    const auto n = currentSlot();
    const StoredPicture picture = viewerPicture();
    // Storing "no picture" would drop the slot's picture under a thumbnail that still shows it.
    if (!n || picture.isNull())
        return;
    if (Bildx[*n]->hasPicture())
        memoryreturn::afterRelease(); // the ring came round: the slot's old picture goes
    Bildx[*n]->setPicture(picture);
    Picture1->setPicture(picture);
    paintFittedInto(*Picture1, *Picture2[*n]);
    twips::setWidth(Picture2[*n], kThumbWidth);
    twips::setHeight(Picture2[*n], kThumbHeight);
    slotToHistory(*n);
}

void Formbilder::Command12_Click()
{
    stepSlotNumber(1);
    selectCurrentSlot();
}

void Formbilder::Command13_Click()
{
    stepSlotNumber(-1);
    selectCurrentSlot();
}

void Formbilder::Text1_Change()
{
    const auto value = vbnum::toDouble(Text1->Text());
    // A text that is no number takes the same road as a number above 9.
    if (!value || *value > 9) {
        services().messages->show(QStringLiteral("Ende: Von Bilder-Speicher, setze auf Bild-0 !"), vbOKOnly,
                                  QString());
        Text1->setText(QStringLiteral("0"));
        Option1[0]->setValue(true);
    }
    const auto now = vbnum::toDouble(Text1->Text());
    if (now && *now < 0) {
        Text1->setText(QStringLiteral("0"));
        Option1[0]->setValue(true);
    }
    if (History *history = services().history)
        history->currentSlotChanged(Text1->Text());
}

void Formbilder::Option1_Click(int index)
{
    if (index >= 0 && index < kSlots) {
        Option1[index]->setValue(true);
        Text1->setText(QString::number(index));
    }
    setCaption(QStringLiteral("Merkolo: Achtung [ Bild-") + Text1->Text()
               + QStringLiteral("]  Speicher ist Aktiv !"));
}

void Formbilder::Option1_GotFocus(int)
{
    setCaption(QStringLiteral("Bild-") + Text1->Text() + QStringLiteral(" Speicher ist Aktiv"));
}

void Formbilder::Option1_MouseMove(int, int, int, int, int)
{
    if (const auto k = currentSlot())
        setPlainToolTip(Option1[*k], QStringLiteral("Mit Doppelklick: Zwischenablage einfügen in (Bild-")
                                         + Text1->Text() + QStringLiteral(" Speicher)"));
}

void Formbilder::Option1_DblClick(int)
{
    Command17_Click();
}

void Formbilder::Command15_Click()
{
    for (PictureBox *thumbnail : Picture2)
        thumbnail->setPicture(QImage());
    for (PictureBox *stored : Bildx)
        stored->setPicture(QImage());
    Picture7->setPicture(Picture3->stored());
    for (int n = 0; n < kSlots; ++n)
        slotToHistory(n);
    memoryreturn::afterRelease();
}

void Formbilder::Command27_Click()
{
    const auto n = currentSlot();
    if (!n)
        return;
    Picture2[*n]->setPicture(QImage());
    Bildx[*n]->setPicture(QImage());
    slotToHistory(*n);
    memoryreturn::afterRelease();
}

void Formbilder::copyCurrentSlot()
{
    const auto n = currentSlot();
    if (!n)
        return;
    // A copy of its own: the capture that follows the copy may replace the slot's picture.
    const StoredPicture picture = Bildx[*n]->stored();
    if (!picture.isNull())
        services().clipboard->SetPicture(picture);
}

void Formbilder::Command19_Click()
{
    copyCurrentSlot();
}

void Formbilder::Picture2_DblClick(int)
{
    copyCurrentSlot();
}

void Formbilder::Bildx_Click(int)
{
    copyCurrentSlot();
}

void Formbilder::Picture7_DblClick()
{
    // The current slot's stored picture: the thumbnail box's own picture is
    // mostly empty or a sample, never what the preview shows.
    copyCurrentSlot();
}

void Formbilder::message(const QString &text)
{
    services().messages->show(text, vbOKOnly, QString());
}

std::int16_t Formbilder::SelectedIndex(const std::array<OptionButton *, kSlots> &buttons)
{
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i]->Value())
            return static_cast<std::int16_t>(i);
    }
    return 0;
}

void Formbilder::Command21_Click()
{
    const int m = SelectedIndex(Option1);
    if (m == 0 || m == 1)
        message(QString::number(m));
}

void Formbilder::Command20_Click()
{
    if (!Option1[1]->Value()) {
        message(QStringLiteral("kein Treffer"));
        return;
    }
    message(QStringLiteral("1 Treffer"));
    const StoredPicture picture = viewerPicture();
    if (picture.isNull())
        return;
    Picture1->setPicture(picture);
    // The thumbnail keeps the size the fitted painting gave it.
    paintFittedInto(*Picture1, *Picture2[1]);
}

void Formbilder::Command23_Click()
{
    const QImage picture = Picture2[1]->Picture();
    if (picture.isNull()) {
        message(QStringLiteral("Test-Kopie nicht möglich: Bild 1 hat kein eigenes Bild mehr. "
                               "Die Zwischenablage bleibt, wie sie war."));
        return;
    }
    services().clipboard->Clear();
    services().clipboard->SetData(picture);
}

void Formbilder::Command1_Click()
{
    ModuleTransparent::SetTransparency(hWnd(), 128);
}

void Formbilder::Command2_Click()
{
    ModuleTransparent::SetTransparency(hWnd(), 255);
}

void Formbilder::Command3_Click()
{
    services().messages->show(QStringLiteral("Text"), vbOKOnly, QString());
}

void Formbilder::Command4_Click()
{
    Option1[0]->setValue(true);
}

void Formbilder::Command6_Click()
{
    forms().get<Zwischablage>().Show();
}

void Formbilder::Command10_Click()
{
    Unload(vbFormCode);
}

void Formbilder::Command11_Click()
{
    Command9_Click();
}

void Formbilder::setOptionsFlag()
{
    forms().get<Starter>().Check1->setValue(1);
}

void Formbilder::Check1_LostFocus()
{
    setOptionsFlag();
}

void Formbilder::Check4_LostFocus()
{
    setOptionsFlag();
}

void Formbilder::Check2_Click()
{
    // Shown again, the window repaints, and the paint handler applies the band.
    reshowNudged(Check2->Value() != 0);
}

void Formbilder::Check3_Click()
{
    ModuleTransparent::SetTransparency(hWnd(), Check3->Value() != 0 ? 128 : 255);
}

void Formbilder::Form_Paint()
{
    Modulevordergrund::SetTopmost(hWnd(), Check2->Value() != 0);
}

void Formbilder::Form_KeyDown(int keyCode, int)
{
    escapeOrHelpKey(keyCode);
}

void Formbilder::Form_QueryUnload(int &, int)
{
    // Closing is never cancelled; changed options are offered for saving first.
    Starter &starter = forms().get<Starter>();
    if (starter.Check1->Value() != 0)
        starter.Command3_Click();
}
