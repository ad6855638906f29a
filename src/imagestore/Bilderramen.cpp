#include "Bilderramen.h"

#include "Formbilder.h"

#include "forms/forms.h"
#include "forms/twips.h"
#include "platform/services/modalgate.h"

namespace {

const QString kOneToOne = QStringLiteral("Orginal Bild 1:1");
const QString kFit = QStringLiteral("Bild an Fenster anpassen");
const QString kNamePrefix = QStringLiteral("Merkolo: [ Bild-");

} // namespace

Bilderramen::Bilderramen(Forms &forms)
    : Form(forms)
{
    setFixedBorder(false);
    setKeyPreview(true);
    setCentredOnFirstShow(true);
    setClearOfOthersOnFirstShow(true); // the image store stays on top: it would hide the viewer's buttons
    setCaption(QStringLiteral("Orginal Bilder Grösse"));
    setColours(this, QColor(192, 192, 192));
    setFont(condensedSansSerif());
    build();
    setClientSizeTwips(7365, 5460);
    wire();
    Timer1->start();
}

void Bilderramen::build()
{
    Image1 = new ImageControl(this);
    twips::place(Image1, 0, 360, 7335, 5055);

    Frame1 = new QFrame(this);
    twips::place(Frame1, 0, -120, 11175, 495);
    setColours(Frame1, Qt::white, Qt::blue);

    Check1 = new CheckBox(kOneToOne, this);
    twips::place(Check1, 0, 120, 2535, 315);
    Command1 = makeButton(this, QStringLiteral("Speichern"), 2160, 120, 1095, 375);
    Command2 = makeButton(this, QStringLiteral("Bilder Ordner öffnen"), 3240, 120, 2055, 375);
    Command4 = makeButton(this, QStringLiteral("<<"), 5280, 120, 615, 375);
    Command5 = makeButton(this, QStringLiteral(">>"), 5880, 120, 615, 375);
    Command3 = makeButton(this, QStringLiteral("Exit"), 6600, 120, 735, 375);

    Label1 = makeLabel(this, QStringLiteral("Speicher Infos"), 7440, 160, 6495, 495);
    setColours(Label1, Qt::white);
    Label1->setFont(boldSansSerif());

    Command9 = makeButton(this, QStringLiteral("Orginal"), 5280, 600, 975, 255);
    Command9->setVisible(false);
    Command10 = makeButton(this, QStringLiteral("100% auf Fenster"), 5160, 840, 1575, 255);
    Command10->setVisible(false);

    Timer1 = new QTimer(this);
    Timer1->setTimerType(Qt::PreciseTimer); // never early: the refresh is one whole interval later
    Timer1->setInterval(kRefreshMs);
}

void Bilderramen::wire()
{
    connect(Timer1, &QTimer::timeout, this, &Bilderramen::Timer1_Timer);
    connect(Check1, &CheckBox::Click, this, &Bilderramen::Check1_Click);
    connect(Command1, &QPushButton::clicked, this, &Bilderramen::Command1_Click);
    connect(events(Command1), &ControlEvents::MouseMove, this, &Bilderramen::Command1_MouseMove);
    connect(Command2, &QPushButton::clicked, this, &Bilderramen::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Bilderramen::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Bilderramen::Command4_Click);
    connect(events(Command4), &ControlEvents::MouseMove, this, &Bilderramen::Command4_MouseMove);
    connect(Command5, &QPushButton::clicked, this, &Bilderramen::Command5_Click);
    connect(events(Command5), &ControlEvents::MouseMove, this, &Bilderramen::Command5_MouseMove);
    connect(events(Label1), &ControlEvents::Click, this, &Bilderramen::Label1_Click);
    connect(events(Image1), &ControlEvents::Click, this, &Bilderramen::Image1_Click);
    connect(Command9, &QPushButton::clicked, this, &Bilderramen::Command9_Click);
    connect(Command10, &QPushButton::clicked, this, &Bilderramen::Command10_Click);
}

Formbilder &Bilderramen::store()
{
    return forms().get<Formbilder>();
}

QString Bilderramen::slotText()
{
    return store().Text1->Text();
}

void Bilderramen::restretch()
{
    Image1->setStretch(false);
    Image1->setStretch(true);
}

void Bilderramen::naturalSizePlusOne()
{
    const twips::Rect natural = twips::of(Image1);
    twips::setWidth(Image1, natural.width + 1);
    twips::setHeight(Image1, natural.height + 1);
}

void Bilderramen::ApplyViewMode()
{
    restretch();
    if (Check1->Value() != 0) {
        twips::setWidth(Image1, Width());
        twips::setHeight(Image1, Height());
        Check1->setText(kFit);
    } else {
        naturalSizePlusOne();
        Check1->setText(kOneToOne);
    }
}

void Bilderramen::resizeEvent(QResizeEvent *event)
{
    Form::resizeEvent(event);
    if (!isUnloaded())
        ApplyViewMode();
}

void Bilderramen::Check1_Click()
{
    ApplyViewMode();
}

void Bilderramen::Timer1_Timer()
{
    // Delivered between other events only: while a message box waits for
    // the user (the one way a handler of this window lets the timer in), the
    // refresh waits one more interval (the timer stays enabled).
    if (isUnloaded() || services().messages->gate().open())
        return;
    store().Command18_Click();
    Label1_Click();
    Timer1->stop();
    ApplyViewMode();
}

void Bilderramen::Label1_Click()
{
    Label1->setText(kNamePrefix + slotText() + QStringLiteral(" ]!"));
}

void Bilderramen::browsed(const QString &captionEnd)
{
    // The store's message box may have seen this window closed meanwhile:
    // then nothing follows, least of all a refresh.
    if (isUnloaded())
        return;
    setCaption(kNamePrefix + slotText() + captionEnd);
    Timer1->start();
}

void Bilderramen::Command4_Click()
{
    store().Command13_Click();
    browsed(QStringLiteral("]!"));
}

void Bilderramen::Command5_Click()
{
    store().Command12_Click();
    browsed(QStringLiteral("] !"));
}

void Bilderramen::Command4_MouseMove(int, int, int, int)
{
    setPlainToolTip(Command4, kNamePrefix + slotText() + QStringLiteral("] !"));
}

void Bilderramen::Command5_MouseMove(int, int, int, int)
{
    setPlainToolTip(Command5, kNamePrefix + slotText() + QStringLiteral("]!"));
}

void Bilderramen::Command1_Click()
{
    store().Command14_Click();
}

void Bilderramen::Command1_MouseMove(int, int, int, int)
{
    setPlainToolTip(Command1, plainToolTip(store().Command14));
}

void Bilderramen::Command2_Click()
{
    store().openImageFolder(hWnd());
}

void Bilderramen::Image1_Click()
{
    store().Command22_Click();
}

void Bilderramen::Command3_Click()
{
    Timer1->stop();
    Unload(vbFormCode);
}

void Bilderramen::Command9_Click()
{
    restretch();
    naturalSizePlusOne();
}

void Bilderramen::Command10_Click()
{
    restretch();
    twips::setWidth(Image1, Width() - 50);
    twips::setHeight(Image1, Height() - 50);
}

void Bilderramen::Form_QueryUnload(int &, int)
{
    Timer1->stop();
}

void Bilderramen::Form_KeyDown(int keyCode, int)
{
    escapeOrHelpKey(keyCode);
}
