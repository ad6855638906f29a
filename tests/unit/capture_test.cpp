// The hidden viewer window in the viewer chain: what one clipboard change does.

#include "support/logcapture.h"
#include "support/testdesktop.h"

#include "app/program.h"
#include "capture/ModuleZ.h"
#include "capture/Zwischablage.h"
#include "imagestore/Formbilder.h"
#include "platform/clipboard/x11/selectionfetcher.h"
#include "textstore/Textform.h"

#include <QBuffer>
#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

// A viewer of another program, joined before the program's own window.
struct OtherViewer {
    HWND hWnd = 0;
    HWND next = 0;
    std::vector<UINT> got;
    std::function<void()> onDraw;
    OtherViewer()
    {
        hWnd = user32::CreateWindowHandle(nullptr, [this](HWND, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            got.push_back(m);
            if (m == WM_DRAWCLIPBOARD && onDraw)
                onDraw();
            if (m == WM_CHANGECBCHAIN && static_cast<HWND>(w) == next)
                next = static_cast<HWND>(l);
            return 0;
        });
        next = SetClipboardViewer(hWnd);
    }
    int draws() const { return static_cast<int>(std::count(got.begin(), got.end(), WM_DRAWCLIPBOARD)); }
};

class Capture : public ::testing::Test
{
protected:
    TestDesktop d;
    Textform &textform() { return d.forms->get<Textform>(); }
    Zwischablage &viewer() { return d.forms->get<Zwischablage>(); }
};

QImage picture(int w, int h, QRgb colour)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(colour);
    return img;
}

} // namespace

TEST_F(Capture, JoiningCapturesWhatTheClipboardHoldsAlready)
{
    d.clipboard.text = QStringLiteral("schon da");
    OtherViewer other;
    Textform &t = textform();
    ASSERT_NE(d.forms->find<Zwischablage>(), nullptr);
    EXPECT_EQ(user32::GetClipboardViewer(), viewer().hWnd());
    EXPECT_EQ(ModuleZ::NextViewer, other.hWnd);
    EXPECT_EQ(d.beeper.count, 1);
    EXPECT_EQ(viewer().Text1->Text(), QStringLiteral("schon da"));
    EXPECT_EQ(t.Text1->Text(), QStringLiteral("schon da"));
    EXPECT_EQ(t.List1[0]->ListCount(), 0); // "Automatisch" is off at load
    EXPECT_EQ(other.draws(), 1);
    EXPECT_FALSE(viewer().isVisible());
}

TEST_F(Capture, TextIsHandedOnBeforeTheBitmapAndBothBeforeTheNextViewer)
{
    OtherViewer other;
    Textform &t = textform();
    t.Check1->setValue(1);
    std::vector<QString> order;
    QObject::connect(viewer().Text1, &TextBox::Change, [&] { order.push_back("text"); });
    QObject::connect(viewer().Picture1, &PictureBox::Change, [&] {
        order.push_back("bitmap; list has " + QString::number(t.List1[0]->ListCount()));
    });
    other.onDraw = [&] { order.push_back("next viewer"); };

    const QImage img = picture(40, 30, qRgb(200, 10, 10));
    d.clipboard.setFromOutside(QStringLiteral("beides"), img);

    EXPECT_EQ(order, (std::vector<QString>{"text", "bitmap; list has 1", "next viewer"}));
    EXPECT_EQ(t.List1[0]->List(0), QStringLiteral("beides"));
    EXPECT_EQ(viewer().Picture1->Picture(), img);
    EXPECT_EQ(d.beeper.count, 2);
}

TEST_F(Capture, LongTextsAreCutTo32767CharactersWithoutSplittingACharacter)
{
    Textform &t = textform();
    t.Check1->setValue(1);
    d.clipboard.setFromOutside(QString(40000, QLatin1Char('x')));
    EXPECT_EQ(viewer().Text1->Text().size(), 32767);
    ASSERT_EQ(t.List1[0]->ListCount(), 1);
    EXPECT_EQ(t.List1[0]->List(0), QString(32767, QLatin1Char('x')));

    // A character outside the BMP straddling the cut is dropped whole, not halved.
    const QString clef = QString::fromUcs4(U"\U0001D11E");
    d.clipboard.setFromOutside(QString(32766, QLatin1Char('y')) + clef + QStringLiteral("zz"));
    const QString got = t.List1[0]->List(1);
    EXPECT_EQ(got, QString(32766, QLatin1Char('y')));
    EXPECT_FALSE(got.back().isHighSurrogate());

    // 10 MB of text: cut, not stored whole.
    d.clipboard.setFromOutside(QString(10 * 1024 * 1024, QLatin1Char('z')));
    EXPECT_EQ(t.List1[0]->List(2).size(), 32767);
}

TEST_F(Capture, AnEmptyClipboardBeepsForwardsAndCapturesNothing)
{
    OtherViewer other;
    Textform &t = textform();
    t.Check1->setValue(1);
    d.clipboard.setFromOutside(QStringLiteral("vorher"), picture(5, 5, qRgb(1, 2, 3)));
    const QImage held = viewer().Picture1->Picture();
    const int beeps = d.beeper.count;
    const int draws = other.draws();

    viewer().Command6_Click(); // "Clipboard.Clear"
    EXPECT_FALSE(d.clipboard.text.has_value());
    EXPECT_EQ(d.beeper.count, beeps + 1);
    EXPECT_EQ(other.draws(), draws + 1);
    EXPECT_EQ(viewer().Text1->Text(), QStringLiteral("vorher"));
    EXPECT_EQ(viewer().Picture1->Picture(), held);
    EXPECT_EQ(t.List1[0]->ListCount(), 1);
}

TEST_F(Capture, AnUnreadableClipboardSkipsTheCaptureButNotTheChain)
{
    OtherViewer other;
    Textform &t = textform();
    t.Check1->setValue(1);
    d.clipboard.unreadable = true;
    const int draws = other.draws();
    const LRESULT r = SendMessageA(viewer().hWnd(), WM_DRAWCLIPBOARD, 0, 0);
    d.clipboard.setFromOutside(QStringLiteral("gesperrt"), picture(3, 3, qRgb(9, 9, 9)));
    EXPECT_EQ(r, 0);
    EXPECT_EQ(other.draws(), draws + 2);
    EXPECT_EQ(t.List1[0]->ListCount(), 0);
    EXPECT_TRUE(viewer().Picture1->Picture().isNull());

    d.clipboard.unreadable = false;
    d.clipboard.setFromOutside(QStringLiteral("wieder lesbar"));
    EXPECT_EQ(t.List1[0]->List(0), QStringLiteral("wieder lesbar"));
}

TEST_F(Capture, MarkupStaysLiteralText)
{
    Textform &t = textform();
    t.Check1->setValue(1);
    const QString markup = QStringLiteral("<b>fett</b> <img src=\"file:///etc/passwd\"> &amp;");
    d.clipboard.setFromOutside(markup);
    EXPECT_EQ(t.Text1->Text(), markup);
    EXPECT_EQ(t.Text1->toPlainText(), markup);
    EXPECT_EQ(t.List1[0]->List(0), markup);
    EXPECT_EQ(t.List1[0]->model()->index(0, 0).data().toString(), markup);
}

TEST_F(Capture, HiddenWindowStillCapturesAndAnUnloadedOneNoLonger)
{
    OtherViewer other;
    Textform &t = textform();
    t.Check1->setValue(1);
    viewer().Show();
    viewer().Command2_Click(); // "x"
    EXPECT_FALSE(viewer().isVisible());
    d.clipboard.setFromOutside(QStringLiteral("versteckt"));
    EXPECT_EQ(t.List1[0]->ListCount(), 1);

    viewer().Command1_Click(); // "Ende": leaves the chain
    TestDesktop::flushDeletes();
    EXPECT_EQ(d.forms->find<Zwischablage>(), nullptr);
    EXPECT_EQ(user32::GetClipboardViewer(), other.hWnd);
    const int beeps = d.beeper.count;
    const int draws = other.draws();
    d.clipboard.setFromOutside(QStringLiteral("nicht mehr"));
    EXPECT_EQ(d.beeper.count, beeps);
    EXPECT_EQ(t.List1[0]->ListCount(), 1);
    EXPECT_EQ(other.draws(), draws + 1); // the rest of the chain is intact

    // Touching the viewer window again brings it back into the chain.
    viewer();
    EXPECT_EQ(user32::GetClipboardViewer(), viewer().hWnd());
    d.clipboard.setFromOutside(QStringLiteral("wieder da"));
    EXPECT_EQ(t.List1[0]->List(t.List1[0]->ListCount() - 1), QStringLiteral("wieder da"));
}

// A text reaches the text store and a picture the image store whichever
// store is open: the one a capture needs is created for it.
TEST(CaptureRouting, EachCaptureReachesItsStoreWhicheverStoreIsOpen)
{
    const QImage img = picture(30, 20, qRgb(9, 8, 7));
    for (const bool textStoreOpen : {false, true}) {
        TestDesktop d;
        if (textStoreOpen)
            d.forms->get<Textform>();
        else
            d.forms->get<Formbilder>();
        d.clipboard.setFromOutside(QStringLiteral("nur einer offen"), img);
        Textform *text = d.forms->find<Textform>();
        Formbilder *images = d.forms->find<Formbilder>();
        ASSERT_NE(text, nullptr) << textStoreOpen;
        ASSERT_NE(images, nullptr) << textStoreOpen;
        EXPECT_EQ(text->Text1->Text(), QStringLiteral("nur einer offen")) << textStoreOpen;
        EXPECT_EQ(images->Picture1->Picture(), img) << textStoreOpen;
    }
}

TEST_F(Capture, TheProgramsOwnCopiesAreCapturedLikeAnyOther)
{
    Textform &t = textform();
    t.Check1->setValue(1);
    d.clipboard.SetText(QStringLiteral("selbst kopiert"));
    ASSERT_EQ(t.List1[0]->ListCount(), 1);
    EXPECT_EQ(t.List1[0]->List(0), QStringLiteral("selbst kopiert"));
}

TEST_F(Capture, EndingTheProgramLeavesTheChainIntact)
{
    OtherViewer other;
    textform();
    EXPECT_EQ(user32::GetClipboardViewer(), viewer().hWnd());
    d.forms->End();
    EXPECT_EQ(user32::GetClipboardViewer(), other.hWnd);
    const int draws = other.draws();
    d.clipboard.setFromOutside(QStringLiteral("danach"));
    EXPECT_EQ(other.draws(), draws + 1);
}

// Changes that arrive while a message box of the program is open beep and
// go on along the chain at once, but reach the stores only after the box
// was answered, in the order they came; later changes queue behind them.
TEST_F(Capture, ChangesDuringAMessageBoxWaitForTheAnswerAndKeepTheirOrder)
{
    OtherViewer other;
    Textform &t = textform();
    t.Check1->setValue(1);
    const QImage img = picture(20, 10, qRgb(1, 2, 3));
    d.messages.whileOpen = [&](const QString &) {
        d.clipboard.setFromOutside(QStringLiteral("eins"));
        d.clipboard.setFromOutside(QStringLiteral("zwei"), img);
        EXPECT_EQ(d.beeper.count, 3);
        EXPECT_EQ(other.draws(), 3);
        EXPECT_EQ(t.List1[0]->ListCount(), 0) << "nothing reaches a store while the box is open";
    };
    d.messages.show(QStringLiteral("Frage"), vbOKOnly, QString());
    d.messages.whileOpen = nullptr;
    d.clipboard.setFromOutside(QStringLiteral("drei")); // after the answer, behind the two
    EXPECT_EQ(t.List1[0]->ListCount(), 0) << "the hand-offs run once the asking handler has returned";
    QCoreApplication::processEvents();
    EXPECT_EQ(t.List1[0]->entries()->entries(), QStringList({"eins", "zwei", "drei"}));
    EXPECT_EQ(viewer().Picture1->Picture(), img);
    d.clipboard.setFromOutside(QStringLiteral("vier")); // nothing waiting: at once again
    EXPECT_EQ(t.List1[0]->ListCount(), 4);
}

// What the X11 reader makes of picture bytes: a picture of up to 8192 x 8192
// pixels at 32 bits however deep it came; beyond that, or cut off at the
// transfer limit, a refusal naming the size its header gives.
TEST(PictureBytes, DecodedUpToTheLimitAndRefusedAloudBeyondIt)
{
    auto png = [](const QImage &img) {
        QByteArray bytes;
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "PNG");
        return bytes;
    };
    std::optional<PictureRefusal> refused;
    QImage deep(300, 200, QImage::Format_RGBA64);
    deep.fill(QColor(200, 100, 50));
    const QImage got = decodePicture(png(deep), false, &refused);
    EXPECT_FALSE(refused);
    EXPECT_EQ(got.size(), QSize(300, 200));
    EXPECT_EQ(got.depth(), 32);
    EXPECT_EQ(got.pixel(5, 5), qRgb(200, 100, 50));

    QImage huge(9000, 9000, QImage::Format_Mono);
    huge.fill(0);
    const LogCapture log(false);
    EXPECT_TRUE(decodePicture(png(huge), false, &refused).isNull());
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->size, QSize(9000, 9000));
    EXPECT_EQ(program::refusalNotice(refused->size),
              QStringLiteral("Bild nicht übernommen: 9000 × 9000 Pixel sind zu groß (höchstens 8192 × 8192 Pixel)."));

    refused.reset();
    EXPECT_TRUE(decodePicture(png(deep).left(100), true, &refused).isNull());
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->size, QSize(300, 200));
    EXPECT_EQ(program::refusalNotice(refused->size),
              QStringLiteral("Bild nicht übernommen: 300 × 200 Pixel, größer als 320 MB."));

    refused.reset();
    EXPECT_TRUE(decodePicture(QByteArray(5000, '\x7f'), false, &refused).isNull());
    EXPECT_FALSE(refused) << "bytes that are no picture are nothing, not a refusal";

    // Each refusal is a warning, logged by default, with the size and the reason.
    const QStringList warned = log.texts(QStringLiteral("merkolo.clipboard"), QtWarningMsg);
    ASSERT_EQ(warned.size(), 2) << warned.join(" | ").toStdString();
    EXPECT_TRUE(warned[0].contains(QStringLiteral("9000 x 9000 pixels"))) << warned[0].toStdString();
    EXPECT_TRUE(warned[0].contains(QStringLiteral("more pixels than the limit"))) << warned[0].toStdString();
    EXPECT_TRUE(warned[1].contains(QStringLiteral("300 x 200 pixels - 100 bytes"))) << warned[1].toStdString();
    EXPECT_TRUE(warned[1].contains(QStringLiteral("more than a transfer may bring"))) << warned[1].toStdString();
}
