#include "Starter.h"

#include "forms/artwork.h"
#include "forms/forms.h"
#include "forms/modMain.h"
#include "forms/twips.h"
#include "imagestore/Formbilder.h"
#include "shell/starterart.h"
#include "textstore/Textform.h"

#include <QMenuBar>

namespace {

// Reaches below the lowest out-of-sight control.
constexpr int kBodyHeight = 2700;

PictureBox *pictureButton(QWidget *parent, const QImage &image, int l, int t, int w, int h, const QString &tip)
{
    PictureBox *box = makeIconBox(parent, image, l, t, w, h, tip, QPalette::Window);
    box->setCursor(artwork::handCursor());
    return box;
}

QLabel *captionLabel(QWidget *parent, const QString &caption, int l, int t, int w, int h, const QString &tip)
{
    QLabel *label = makeLabel(parent, caption, l, t, w, h);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setPlainToolTip(label, tip);
    label->setCursor(artwork::handCursor());
    return label;
}

QPushButton *hiddenButton(QWidget *parent, const QString &caption, int l, int t, int w, int h)
{
    QPushButton *b = makeButton(parent, caption, l, t, w, h);
    b->setFocusPolicy(Qt::NoFocus); // out of sight: never reached with Tab
    return b;
}

} // namespace

Starter::Starter(Forms &forms)
    : Form(forms)
{
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    setCaption(QStringLiteral("Merkolo-Auswahl: Quenta"));
    setWindowIcon(starterart::programIcon());
    m_icon = shell32::CreateIconHandle(windowIcon());
    setCentredOnFirstShow(true);
    setClientSizeTwips(kClientWidth, kClientHeight);
    build();
    buildHidden();
    buildMenu();
    wire();
    m_picture4 = user32::CreateWindowHandle(Picture4, [this](HWND h, UINT msg, WPARAM wParam, LPARAM lParam) {
        return picture4Proc(h, msg, wParam, lParam);
    });
}

Starter::~Starter()
{
    user32::DestroyWindowHandle(m_picture4);
    shell32::DestroyIconHandle(m_icon);
}

void Starter::build()
{
    m_body = new QWidget(this);
    m_body->setGeometry(0, 0, twips::toPixelsX(kClientWidth), twips::toPixelsY(kBodyHeight));

    const QString imageTip = QStringLiteral("Bilder-Speicher-Liste öffnen");
    const QString textTip = QStringLiteral("Text-Speicher-Liste öffnen");
    const QString trayTip = QStringLiteral(
        "Programm siehe rechter Bildschirmrand  unten, Icon: Doppelcklick oder rechte  Maus Menu !");
    const QString exitTip = QStringLiteral("Exit, Ende Programm !");

    Picture6 = pictureButton(m_body, starterart::helpPicture(), 120, 0, 375, 375, QStringLiteral("Hilfe Fenster"));
    Picture1 = pictureButton(m_body, starterart::imageStoreIcon(), 800, 0, 495, 495, imageTip);
    Label1 = captionLabel(m_body, QStringLiteral("Bilder-Speicher-Liste"), 0, 510, 1935, 255, imageTip);
    Picture2 = pictureButton(m_body, starterart::textStoreIcon(), 2640, 0, 615, 495, textTip);
    Label2 = captionLabel(m_body, QStringLiteral("Text-Speicher-Liste"), 2040, 510, 1695, 255, textTip);
    Picture5 = pictureButton(m_body, starterart::trayPicture(), 4080, -5, 1215, 550, trayTip);
    Label4 = captionLabel(m_body, QStringLiteral("Icon rechts unten"), 3960, 510, 1575, 255, trayTip);
    Picture3 = pictureButton(m_body, starterart::exitIcon(), 5880, 0, 495, 495, exitTip);
    Picture3->unsetCursor(); // the one control without the hand pointer
    Label3 = captionLabel(m_body, QStringLiteral("Exit"), 5760, 510, 615, 255, exitTip);
}

void Starter::buildHidden()
{
    Picture4 = new PictureBox(m_body, PictureBox::Scale::Twips);
    twips::place(Picture4, 1320, 840, 375, 315);
    Check1 = new CheckBox(QStringLiteral("Check1"), m_body);
    twips::place(Check1, 1320, 1680, 1095, 255);
    Check2 = new CheckBox(QStringLiteral("Check2"), m_body);
    twips::place(Check2, 1320, 2280, 1095, 375);
    for (CheckBox *flag : {Check1, Check2})
        flag->setFocusPolicy(Qt::NoFocus);
    Command2 = hiddenButton(m_body, QStringLiteral("lese"), 2520, 1680, 1215, 375);
    Command6 = hiddenButton(m_body, QStringLiteral("2"), 3840, 1680, 615, 375);
    Command3 = hiddenButton(m_body, QStringLiteral("speicher"), 360, 1680, 975, 495);
    Command4 = hiddenButton(m_body, QStringLiteral("speichern2"), 240, 2280, 1095, 375);
    Command5 = hiddenButton(m_body, QStringLiteral("lesen2"), 2520, 2280, 1215, 375);
}

void Starter::wire()
{
    connect(events(Picture1), &ControlEvents::Click, this, &Starter::Picture1_Click);
    connect(events(Label1), &ControlEvents::Click, this, &Starter::Label1_Click);
    connect(events(Picture2), &ControlEvents::Click, this, &Starter::Picture2_Click);
    connect(events(Label2), &ControlEvents::Click, this, &Starter::Label2_Click);
    connect(events(Picture5), &ControlEvents::Click, this, &Starter::Picture5_Click);
    connect(events(Label4), &ControlEvents::Click, this, &Starter::Label4_Click);
    connect(events(Picture6), &ControlEvents::Click, this, &Starter::Picture6_Click);
    connect(events(Picture3), &ControlEvents::Click, this, &Starter::Picture3_Click);
    connect(events(Label3), &ControlEvents::Click, this, &Starter::Label3_Click);

    connect(Command2, &QPushButton::clicked, this, &Starter::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Starter::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Starter::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Starter::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Starter::Command6_Click);

    connect(hilfefenster1, &QAction::triggered, this, &Starter::hilfefenster1_Click);
    connect(zwischenablageleeren, &QAction::triggered, this, &Starter::zwischenablageleeren_Click);
    connect(mnMsgShow, &QAction::triggered, this, &Starter::mnMsgShow_Click);
    connect(mnBeep, &QAction::triggered, this, &Starter::mnBeep_Click);
    connect(mnNix, &QAction::triggered, this, &Starter::mnNix_Click);
    connect(startfenster1, &QAction::triggered, this, &Starter::startfenster1_Click);
    connect(mnExit, &QAction::triggered, this, &Starter::mnExit_Click);

    if (TrayService *tray = services().tray)
        connect(tray, &TrayService::hostAvailableChanged, this, &Starter::trayHostChanged);
}

void Starter::Picture1_Click()
{
    forms().get<Formbilder>().Show();
    Command2_Click();
    Picture5_Click();
}

std::optional<QRect> Starter::keptClear() const
{
    // Without a notification area the selector stays in sight after a store
    // opens, its menu bar added: no store may cover its buttons. Most window
    // managers keep its top edge as it grows; a tiling one centres it again,
    // and the toolkit may not have heard of that yet: a bar's height of room
    // above and below.
    if (trayPresent() || !isVisible())
        return std::nullopt;
    // A bar whose menu is hidden measures nothing: one like it, with its menu, is measured.
    QMenuBar probe;
    probe.setNativeMenuBar(false);
    probe.setFont(m_menuBar->font());
    probe.addMenu(mnBar->title());
    const int bar = probe.sizeHint().height();
    return frameGeometry().adjusted(0, -bar, 0, bar);
}

void Starter::Label1_Click()
{
    Picture1_Click();
}

void Starter::Picture2_Click()
{
    forms().get<Textform>().Show();
    Command5_Click();
    Picture5_Click();
}

void Starter::Label2_Click()
{
    Picture2_Click();
}

void Starter::Picture6_Click()
{
    openHelp();
}

void Starter::openHelp()
{
    modMain::OpenHelp(hWnd());
}

void Starter::Picture3_Click()
{
    mnExit_Click();
}

void Starter::Label3_Click()
{
    Unload(vbFormCode);
}

void Starter::Form_QueryUnload(int &, int)
{
    // Every close request ends the program, the close box included, and
    // none leaves the icon behind.
    m_ending = true;
    Hide();
    Shell_NotifyIconA(NIM_DELETE, TrayIcon);
}

void Starter::Form_Unload(int &)
{
    user32::DestroyWindowHandle(m_picture4);
    m_picture4 = 0;
    // At once: no store's close step runs; the viewer window leaves the chain first.
    forms().End();
}
