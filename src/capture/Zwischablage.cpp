#include "Zwischablage.h"

#include "ModuleZ.h"

#include "forms/forms.h"
#include "forms/twips.h"
#include "imagestore/Formbilder.h"
#include "textstore/Textform.h"

Zwischablage::Zwischablage(Forms &forms)
    : Form(forms)
{
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                   | Qt::MSWindowsFixedSizeDialogHint);
    setCaption(QStringLiteral("https://merkolo.example/zwischenablage"));
    setClientSizeTwips(2310, 75);

    // Only a thin strip of the window is ever visible; the controls lie below it.
    Text1 = new TextBox(this);
    twips::place(Text1, 0, 120, 2310, 495);
    // Wrapping a long line in so narrow a box costs more than the whole capture.
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Picture1 = new PictureBox(this);
    twips::place(Picture1, 0, 660, 1095, 735);
    Command1 = makeButton(this, QStringLiteral("Ende"), 1200, 660, 495, 375);
    Command2 = makeButton(this, QStringLiteral("x"), 1800, 660, 375, 375);
    Command6 = makeButton(this, QStringLiteral("Clipboard.Clear"), 1200, 1080, 1095, 375);
    Frame1 = new QWidget(this);
    twips::place(Frame1, 0, 1500, 2310, 495);
    Label1 = makeLabel(Frame1, QString(), 0, 0, 1095, 255);
    Command3 = makeButton(Frame1, QStringLiteral("Command3"), 1200, 0, 975, 375);

    connect(Command1, &QPushButton::clicked, this, &Zwischablage::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Zwischablage::Command2_Click);
    connect(Command6, &QPushButton::clicked, this, &Zwischablage::Command6_Click);
    connect(Text1, &TextBox::Change, this, &Zwischablage::Text1_Change);
    connect(Picture1, &PictureBox::Change, this, &Zwischablage::Picture1_Change);
}

void Zwischablage::Form_Load()
{
    ModuleZ::JoinViewerChain(hWnd());
}

void Zwischablage::Form_Unload(int &)
{
    ModuleZ::LeaveViewerChain(hWnd());
}

void Zwischablage::leaveBeforeEnd(Forms &forms)
{
    if (Zwischablage *z = forms.find<Zwischablage>())
        ModuleZ::LeaveViewerChain(z->hWnd());
}

void Zwischablage::Command1_Click()
{
    Unload(vbFormCode);
}

void Zwischablage::Command2_Click()
{
    Hide();
}

void Zwischablage::Command6_Click()
{
    services().clipboard->Clear();
}

void Zwischablage::Text1_Change()
{
    forms().get<Textform>().Text1->setText(Text1->Text());
}

void Zwischablage::Picture1_Change()
{
    forms().get<Formbilder>().Command9_Click();
}
