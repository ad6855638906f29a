#include "Textform.h"

#include "textstoreart.h"

#include "capture/Zwischablage.h"
#include "forms/Modulevordergrund.h"
#include "forms/artwork.h"
#include "forms/forms.h"
#include "forms/twips.h"
#include "shell/Starter.h"

namespace {

QPushButton *graphical(QWidget *parent, const QString &caption, int l, int t, int w, int h,
                       const QString &tip)
{
    QPushButton *b = makeButton(parent, caption, l, t, w, h, tip);
    makeGraphical(b);
    return b;
}

void setBackground(CheckBox *box, const QColor &colour)
{
    setColours(box, colour);
}

} // namespace

Textform::Textform(Forms &forms)
    : Form(forms)
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setCaption(QStringLiteral("Merkolo-Text"));
    setColours(this, Qt::white);
    setCentredOnFirstShow(true);
    setKeyPreview(true);
    setClientSizeTwips(5310, 3345);
    build();
    m_built = true;
    wire();
}

void Textform::build()
{
    Check3 = new CheckBox(QString(), this);
    twips::place(Check3, 3480, 1885, 220, 255);
    Check3->setValue(1);
    setBackground(Check3, Qt::white);
    setPlainToolTip(Check3, QStringLiteral("Fenster in Vordergrund"));

    Command12 = makeButton(this, QStringLiteral("Command12"), 3720, 3960, 1095, 255);
    Command11 = graphical(this, QStringLiteral("EXIT"), 4680, 3000, 615, 300, QStringLiteral("EXIT ENDE AUS"));

    Check2 = new CheckBox(QStringLiteral("Grossklein"), this);
    twips::place(Check2, 5880, 0, 1455, 375);

    Command10 = makeButton(this, QStringLiteral("mite"), 5640, 600, 855, 255);
    Command9 = makeButton(this, QStringLiteral("klein"), 6000, 1800, 1455, 375);
    Command8 = makeButton(this, QStringLiteral("gross"), 6000, 1320, 1455, 375);

    for (auto &list : List1)
        list = new ListBox(this);
    twips::place(List1[0], 0, 840, 5295, 1035);
    setColours(List1[0], Qt::black, QColor(128, 255, 128));
    setPlainToolTip(List1[0], QStringLiteral("Speicher Liste:  Mit Doppelklick in Zwischenablage kopieren!"));

    Frame1 = new QWidget(this);
    twips::place(Frame1, 0, 4440, 3015, 735);
    setColours(Frame1, palette().color(QPalette::Button)); // covers what lies beneath it
    Picture3 = makeIconBox(Frame1, textstoreart::enlargeIcon({32, 32}), 2400, 0, 615, 615,
                       QStringLiteral("Fenster größer machen"));
    Picture2 = makeIconBox(Frame1, textstoreart::copyIcon({25, 17}), 50, 300, 375, 255,
                       QStringLiteral("Text kopieren aus Speicher Liste, in die Zwischenablage!"));
    Picture1 = makeIconBox(Frame1, textstoreart::pasteIcon({33, 17}), 0, 0, 495, 255,
                       QStringLiteral("Text von Zwischenablage einfügen in Speicher Liste!"));

    Command4 = graphical(this, QStringLiteral("Fenster kleiner"), 3120, 3000, 1455, 300,
                         QStringLiteral("Fenster kleiner machen! Mini"));
    Command6 = graphical(this, QStringLiteral("Text-Ordner-öffnen"), 1200, 3000, 1815, 300,
                         QStringLiteral("Text Ordner öffnen [text]!"));
    Command5 = graphical(this, QStringLiteral("Speichern"), 0, 3000, 1095, 300, QStringLiteral("Text speichern"));

    Text2 = new TextBox(this);
    twips::place(Text2, 0, 2160, 5295, 855);
    setColours(Text2, QColor(64, 64, 64), QColor(0, 255, 0));
    Text2->setText(QStringLiteral("Text kann gespeichert werden mit Klick auf Speichern!"));

    Text1 = new TextBox(this);
    twips::place(Text1, 0, 0, 5295, 855);
    setColours(Text1, QColor(0, 192, 192));
    Text1->setText(QStringLiteral("Zwischenablage Fenster"));

    Command1 = makeButton(this, QStringLiteral("Command1"), 5640, 840, 975, 375);
    twips::place(List1[1], 360, 5160, 1575, 1815);
    twips::place(List1[2], 2040, 5040, 1575, 1815);

    Check1 = new CheckBox(QStringLiteral("Automatisch"), this);
    twips::place(Check1, 3840, 1920, 1455, 190);
    Check1->setFont(boldSansSerif());
    setBackground(Check1, Qt::white);
    setPlainToolTip(Check1, QStringLiteral(
        "Automatisch jeden neuen Text aus der Zwischenablage in Speicher Liste einfügen!"));

    Command2 = graphical(this, QStringLiteral("Einfügen"), 0, 1850, 1215, 300,
                         QStringLiteral("Text aus Zwischenablage in Speicher-Liste einfügen!"));
    Command3 = graphical(this, QStringLiteral("Kopiere"), 1200, 1850, 1095, 300,
                         QStringLiteral("Markierte Speicher-Liste:  Text  in Zwischenablage kopieren!"));
    Command7 = graphical(this, QStringLiteral("Lösche"), 2400, 1850, 975, 300,
                         QStringLiteral("Markierter Text aus Liste löschen ! Mit Doppelklick lösen die "
                                        "gesamten Speicherliste!"));

    Label2 = makeLabel(this, QStringLiteral("text"), 1320, 4080, 2055, 255);
    Label1 = makeLabel(this, QStringLiteral(
        "Betätigen Sie in einer der beiden ListBoxen Strg + c oder Strg + x und fügen Sie den in "
        "die Zwischenablage kopierten Eintrag in dieselbe oder eine andere ListBox ein."),
        120, 4440, 4935, 615);
    Label1->setWordWrap(true);

    // The design's stacking order: each control lies above those listed after it.
    const QList<QWidget *> order = {Check3, Command12, Command11, Check2, Command10, Command9,
                                    Command8, List1[0], Frame1, Command4, Command6, Command5,
                                    Text2, Text1, Command1, List1[1], List1[2], Check1,
                                    Command2, Command3, Command7, Label2, Label1};
    for (auto it = order.rbegin(); it != order.rend(); ++it)
        (*it)->raise();
    Picture1->raise();
    Picture2->raise();
    Picture3->raise();

    const QCursor hand = artwork::handCursor();
    for (QWidget *w : {static_cast<QWidget *>(Command11), static_cast<QWidget *>(Command4),
                       static_cast<QWidget *>(Command6), static_cast<QWidget *>(Command5),
                       static_cast<QWidget *>(Command2), static_cast<QWidget *>(Command3),
                       static_cast<QWidget *>(Command7), static_cast<QWidget *>(Check1),
                       static_cast<QWidget *>(Picture1), static_cast<QWidget *>(Picture2),
                       static_cast<QWidget *>(Picture3)})
        w->setCursor(hand);
}

void Textform::wire()
{
    connect(Text1, &TextBox::Change, this, &Textform::Text1_Change);
    connect(Check1, &CheckBox::Click, this, &Textform::Check1_Click);
    connect(events(Check1), &ControlEvents::LostFocus, this, &Textform::Check1_LostFocus);
    connect(Check2, &CheckBox::Click, this, &Textform::Check2_Click);
    connect(Command4, &QPushButton::clicked, this, &Textform::Command4_Click);
    connect(Command8, &QPushButton::clicked, this, &Textform::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &Textform::Command9_Click);
    connect(Command10, &QPushButton::clicked, this, &Textform::Command10_Click);
    connect(Command12, &QPushButton::clicked, this, &Textform::Command12_Click);
    connect(events(Picture3), &ControlEvents::Click, this, &Textform::Picture3_Click);
    connect(Command11, &QPushButton::clicked, this, &Textform::Command11_Click);
    connect(Check3, &CheckBox::Click, this, &Textform::Check3_Click);
    connect(Command1, &QPushButton::clicked, this, &Textform::Command1_Click);
    connect(Command5, &QPushButton::clicked, this, &Textform::Command5_Click);
    connect(events(Command5), &ControlEvents::MouseMove, this, &Textform::Command5_MouseMove);
    connect(Command6, &QPushButton::clicked, this, &Textform::Command6_Click);
    wireLists();
}

void Textform::Form_Load()
{
    Zwischablage &viewer = forms().get<Zwischablage>();
    viewer.Show();
    viewer.Hide();
    Command4_Click();
    keepHistory();
}

void Textform::Form_QueryUnload(int &, int)
{
    // Closing never cancels; a changed option is offered for saving first.
    Starter &starter = forms().get<Starter>();
    if (starter.Check2->Value() != 0)
        starter.Command4_Click();
}

void Textform::Form_KeyDown(int keyCode, int)
{
    escapeOrHelpKey(keyCode);
}

void Textform::Form_Paint()
{
    Modulevordergrund::SetTopmost(hWnd(), Check3->Value() != 0);
}

void Textform::Command11_Click()
{
    Unload(vbFormCode);
}

void Textform::Command1_Click()
{
    forms().get<Zwischablage>().Show();
}

void Textform::Check3_Click()
{
    // Shown again, the window repaints, and the paint handler applies the band.
    reshowNudged(Check3->Value() != 0);
}

void Textform::Text1_Change()
{
    if (Check1->Value() == 0)
        return;
    List1[0]->AddItem(Text1->Text()); // a full list adds nothing
}

void Textform::Check1_Click()
{
    // The box toggles by itself; nothing else happens.
}

void Textform::Check1_LostFocus()
{
    forms().get<Starter>().Check2->setValue(1);
}

void Textform::Check2_Click()
{
    setHeight(Check2->Value() != 0 ? 1950 : 3675);
}

void Textform::Command4_Click()
{
    Check2->setValue(1);
    Command9_Click();
    twips::setTop(Check3, 390);
    twips::setLeft(Check3, 2470);
    setColours(Check3, palette().color(QPalette::Button));
    followClientArea();
}

void Textform::Command9_Click()
{
    twips::setTop(Text2, 720);
    twips::setWidth(Text2, 3015);
    twips::setHeight(Text2, 855);
    twips::setTop(Frame1, 0);
    twips::setTop(List1[0], 0);
    twips::setHeight(List1[0], 645);
    twips::setWidth(List1[0], 2055);
    twips::setLeft(List1[0], 360);
    setWidth(3100);
    setHeight(1000);
    followClientArea();
}

void Textform::Picture3_Click()
{
    Command8_Click();
    Check2->setValue(0);
    twips::setTop(Check3, 1890);
    twips::setLeft(Check3, 3480);
    setColours(Check3, Qt::white);
    followClientArea();
}

void Textform::Command8_Click()
{
    twips::setTop(Text2, 2160);
    twips::setWidth(Text2, 5295);
    twips::setHeight(Text2, 855);
    twips::setTop(Frame1, 4440);
    twips::setTop(List1[0], 840);
    twips::setWidth(List1[0], 5295);
    twips::setHeight(List1[0], 1035);
    twips::setLeft(List1[0], 0);
    setHeight(3675);
    setWidth(5400);
    followClientArea();
}

void Textform::Command10_Click()
{
    setHeight(2010);
    twips::setHeight(Text2, 10);
    twips::setTop(Text2, 50);
    twips::setTop(Frame1, 4440);
    followClientArea();
}

void Textform::resizeEvent(QResizeEvent *event)
{
    Form::resizeEvent(event);
    followClientArea();
}

void Textform::followClientArea()
{
    if (!m_built)
        return;
    // The layouts fill a client area of the outer size less a Windows frame
    // (90 x 330 twips). A window manager's frame of another size leaves
    // the client area wider or higher than that (a bare strip at the right
    // and bottom; more at a higher scale, where its frame keeps its pixels),
    // or narrower: the controls at those edges take up the difference.
    const int dx = width() - twips::toPixelsX(Width() - 90);
    const int dy = height() - twips::toPixelsY(Height() - 330);
    const bool small = Check2->Value() != 0;
    // The bottom row stands at the lower edge of the large layout's full
    // height at every height of that layout: the window shortens when the
    // list loses the focus, which a press on one of the row's buttons takes,
    // and a button moved away under the pointer would miss the release.
    const int rowDy = small ? 0 : dy;
    // Text2 takes the height beyond the design's where it is the lowest box
    // in sight: above the large layout's bottom row at its full height, and
    // under the small layout's icon bar when a pick opened the window (in
    // the middle layout it is a thin line). Else the small layout's icon bar
    // fills the client area, and no more than that: it never covers Text2.
    const bool text2Lowest = Height() == (small ? 1950 : 3675);
    twips::setExtra(Text1, {0, 0, dx, 0});
    twips::setExtra(Frame1, {0, 0, small ? dx : 0, small && !text2Lowest ? dy : 0});
    twips::setExtra(List1[0], {0, 0, small ? 0 : dx, 0});
    twips::setExtra(Text2, {0, 0, dx, text2Lowest ? dy : 0});
    for (QWidget *c : {static_cast<QWidget *>(Command5), static_cast<QWidget *>(Command6), static_cast<QWidget *>(Command4)})
        twips::setExtra(c, {0, rowDy, 0, 0});
    twips::setExtra(Command11, {small ? 0 : dx, rowDy, 0, 0});
    twips::setExtra(Check1, {small ? 0 : dx, 0, 0, 0});
}

void Textform::Command12_Click()
{
    Picture3_Click();
}
