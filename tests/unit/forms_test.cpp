// The window registry and the Form base: creation on first reference, unload,
// key preview, close requests and twips geometry.

#include "support/testdesktop.h"

#include "forms/controls.h"
#include "forms/twips.h"
#include "imagestore/Bilderramen.h"
#include "textstore/Textform.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QStyleOptionButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class Probe : public Form
{
public:
    explicit Probe(Forms &forms)
        : Form(forms)
    {
        edit = new QLineEdit(this);
        setKeyPreview(true);
        setClientSizeTwips(5310, 3345);
    }
    QLineEdit *edit;
    int loads = 0;
    std::vector<int> reasons;
    std::vector<int> keys;
    bool unloadOnEscape = false;
    bool cancelNext = false;

protected:
    void Form_Load() override { ++loads; }
    void Form_QueryUnload(int &cancel, int mode) override
    {
        reasons.push_back(mode);
        if (cancelNext) {
            cancel = 1;
            cancelNext = false;
        }
    }
    void Form_KeyDown(int key, int) override
    {
        keys.push_back(key);
        if (unloadOnEscape && key == 27)
            Unload();
    }
};

} // namespace

TEST(Forms, FirstReferenceCreatesAndLoadsWithoutShowing)
{
    TestDesktop d;
    EXPECT_EQ(d.forms->find<Probe>(), nullptr);
    Probe &p = d.forms->get<Probe>();
    EXPECT_EQ(p.loads, 1);
    EXPECT_FALSE(p.isVisible());
    EXPECT_EQ(&d.forms->get<Probe>(), &p);
    EXPECT_EQ(p.loads, 1);
    EXPECT_TRUE(user32::IsWindow(p.hWnd()));
}

TEST(Forms, UnloadForgetsTheWindowAndTheNextReferenceMakesANewOne)
{
    TestDesktop d;
    Probe *first = &d.forms->get<Probe>();
    const HWND oldHandle = first->hWnd();
    first->cancelNext = true;
    EXPECT_FALSE(first->Unload(vbFormCode));
    EXPECT_EQ(d.forms->find<Probe>(), first);
    EXPECT_TRUE(first->Unload(vbFormCode));
    EXPECT_EQ(first->reasons, (std::vector<int>{vbFormCode, vbFormCode}));
    EXPECT_EQ(d.forms->find<Probe>(), nullptr);
    EXPECT_FALSE(user32::IsWindow(oldHandle));
    TestDesktop::flushDeletes();
    Probe &second = d.forms->get<Probe>();
    EXPECT_EQ(second.loads, 1);
    EXPECT_NE(second.hWnd(), oldHandle);
}

TEST(Forms, CloseBoxIsACloseRequestWithReasonZero)
{
    TestDesktop d;
    Probe &p = d.forms->get<Probe>();
    p.Show();
    QCloseEvent close;
    QCoreApplication::sendEvent(&p, &close);
    EXPECT_EQ(p.reasons, (std::vector<int>{vbFormControlMenu}));
    EXPECT_EQ(d.forms->find<Probe>(), nullptr);
}

TEST(Forms, KeyPreviewSeesEachKeyOnceAndMayUnloadTheWindow)
{
    TestDesktop d;
    Probe &p = d.forms->get<Probe>();
    p.Show();
    QTest::keyClick(p.edit, Qt::Key_A);
    QTest::keyClick(p.edit, Qt::Key_F1); // ignored by the edit, travels to the window too
    EXPECT_EQ(p.keys, (std::vector<int>{'A', 112}));
    EXPECT_EQ(p.edit->text(), QStringLiteral("a"));

    p.unloadOnEscape = true;
    QPointer<Probe> alive(&p);
    QTest::keyClick(p.edit, Qt::Key_Escape);
    EXPECT_EQ(d.forms->find<Probe>(), nullptr);
    TestDesktop::flushDeletes();
    EXPECT_TRUE(alive.isNull());
}

TEST(Forms, OuterGeometryInTwipsIncludesTheFrame)
{
    TestDesktop d;
    Probe &p = d.forms->get<Probe>();
    // A fixed single border adds 6 x 22 pixels: 5310 x 3345 client is 5400 x 3675 outside.
    EXPECT_EQ(p.Width(), 5400);
    EXPECT_EQ(p.Height(), 3675);
    p.setWidth(3100);
    p.setHeight(1000);
    EXPECT_EQ(p.Width(), 3100);
    EXPECT_EQ(p.Height(), 1000);
    EXPECT_EQ(p.width(), twips::toPixelsX(3100) - 6);
    p.setLeft(1500);
    p.setTop(1501);
    EXPECT_EQ(p.Left(), 1500);
    EXPECT_EQ(p.Top(), 1501);
    p.setTop(p.Top() - 1);
    EXPECT_EQ(p.Top(), 1500);
}

TEST(Forms, ControlsRememberTheirTwips)
{
    QWidget parent;
    QWidget child(&parent);
    twips::place(&child, 3480, 1885, 220, 255);
    EXPECT_EQ(twips::of(&child), (twips::Rect{3480, 1885, 220, 255}));
    twips::setTop(&child, 390);
    EXPECT_EQ(twips::of(&child), (twips::Rect{3480, 390, 220, 255}));
    child.move(10, 10); // moved by other means: the pixels speak
    EXPECT_EQ(twips::of(&child).left, 150);
}

TEST(Forms, EndRunsTheEndStepsOnceAndNoCloseStep)
{
    TestDesktop d;
    Probe &p = d.forms->get<Probe>();
    int steps = 0;
    d.forms->addEndStep([&] { ++steps; });
    d.forms->End();
    d.forms->End();
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(d.endCount, 1);
    EXPECT_TRUE(p.reasons.empty());
}

// A list line shows each line break as one mark (CR LF, LF or CR alike),
// other control characters as blanks, and invisible direction marks as their
// code points, so that "evil" after a right-to-left override cannot pass for
// "live"; it ends after 300 characters. The entry itself stays exactly what
// was captured.
TEST(Forms, TheOneLineViewShowsDirectionMarksAndKeepsTheEntryExact)
{
    const QString a299(ListModel::kShownChars - 1, QLatin1Char('a'));
    const QString cutAtAPair = QString(ListModel::kShownChars - 1, QLatin1Char('a')) + QStringLiteral("\U0001F600");
    const struct {
        QString entry;
        QString shown;
    } rows[] = {
        {QStringLiteral("\u202Eevil"), QStringLiteral("[U+202E]evil")},
        {QStringLiteral("a\u200Fb\u200Ec\u202Ad\u202Ce"), QStringLiteral("a[U+200F]b[U+200E]c[U+202A]d[U+202C]e")},
        {QStringLiteral("\u2066x\u2069 \u2067\u2068\u061C\u202B\u202D"),
         QStringLiteral("[U+2066]x[U+2069] [U+2067][U+2068][U+061C][U+202B][U+202D]")},
        {QStringLiteral("Zeile 1\r\nZeile 2\nZeile 3\tEnde"), QStringLiteral("Zeile 1 \u21b5 Zeile 2\u21b5Zeile 3 Ende")},
        {QStringLiteral("alt\rMac"), QStringLiteral("alt\u21b5Mac")},
        {QStringLiteral("a\n\nb\r\n\r\nc\r\rd"), QStringLiteral("a\u21b5\u21b5b \u21b5  \u21b5 c\u21b5\u21b5d")},
        {QStringLiteral("\r\nEnde\r\n"), QStringLiteral(" \u21b5 Ende \u21b5 ")},
        {QStringLiteral("a\u2028b\u2029c\x01" "d\x7f"), QStringLiteral("a b c d ")},
        {a299 + QStringLiteral("b"), a299 + QStringLiteral("b")},
        {a299 + QStringLiteral("\r\nb"), a299 + QChar(0x21b5) + QChar(0x2026)},
        {QStringLiteral("\u05E2\u05D1\u05E8\u05D9\u05EA 123"), QStringLiteral("\u05E2\u05D1\u05E8\u05D9\u05EA 123")},
        {cutAtAPair, QString(ListModel::kShownChars - 1, QLatin1Char('a')) + QChar(0x2026)},
    };
    ListBox list(nullptr);
    for (const auto &r : rows) {
        list.AddItem(r.entry);
        const int row = list.ListCount() - 1;
        EXPECT_EQ(list.List(row), r.entry);
        EXPECT_EQ(list.model()->index(row, 0).data().toString(), r.shown) << r.entry.toStdString();
    }
}

// Outer sizes through a window at the scale this test runs at (scripts/test
// runs it at 1, 1.5 and 2): the text store's layouts, reached at load and by
// the user's switches (which pass through the layout flag's heights) while
// hidden or shown, give the design's outer size and read it back. Offscreen
// the toolkit's frame (fixed in device pixels) comes with the first show.
TEST(FormGeometry, TheTextStoresLayoutsHiddenOrShown)
{
    TestDesktop d;
    Textform &t = d.forms->get<Textform>();
    auto expect = [&](int wTw, int hTw, const char *how) {
        const QMargins f = t.frameDevicePx();
        const double dpr = t.devicePixelRatioF();
        EXPECT_EQ(t.Width(), wTw) << how;
        EXPECT_EQ(t.Height(), hTw) << how;
        EXPECT_LE(std::abs(std::round(t.width() * dpr) + f.left() + f.right() - wTw / 15.0 * dpr), 1.0) << how;
        EXPECT_LE(std::abs(std::round(t.height() * dpr) + f.top() + f.bottom() - hTw / 15.0 * dpr), 1.0) << how;
    };
    const struct {
        void (Textform::*step)();
        int width, height;
        const char *how;
    } rows[] = {
        {nullptr, 3100, 1000, "small at load, hidden"},
        {&Textform::Picture3_Click, 5400, 3675, "large, switched while hidden"},
        {&Textform::Show, 5400, 3675, "large, shown"},
        {&Textform::Command4_Click, 3100, 1000, "small, switched while shown"},
        {&Textform::Picture3_Click, 5400, 3675, "large, switched while shown"},
        {&Textform::Hide, 5400, 3675, "large, hidden again"},
        {&Textform::Command4_Click, 3100, 1000, "small, switched while hidden"},
        {&Textform::Show, 3100, 1000, "small, shown again"},
    };
    for (const auto &r : rows) {
        if (r.step)
            (t.*r.step)();
        expect(r.width, r.height, r.how);
    }
}

// A check box lower than the style's check mark (the text store's
// "Automatisch", 190 twips) or its font's line draws both whole within its
// rectangle; a box high enough keeps its font, also when it grows back.
TEST(FormGeometry, ALowCheckBoxDrawsItsMarkAndCaptionWithinItsRectangle)
{
    TestDesktop d;
    Textform &t = d.forms->get<Textform>();
    t.Command12_Click();
    t.Show();
    CheckBox spare(QStringLiteral("Grossklein"), &t);
    spare.setFont(boldSansSerif());
    twips::place(&spare, 0, 0, 1455, 375);
    spare.show();
    const QFont given = spare.font();
    auto within = [](CheckBox *box, const char *how) {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        const QRect mark = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        EXPECT_TRUE(box->rect().contains(mark)) << how << ": mark " << testing::PrintToString(mark);
        EXPECT_LE(box->fontMetrics().height(), box->height()) << how;
        EXPECT_EQ(box->fontMetrics().height(), QFontMetrics(box->font()).height()) << how;
    };
    within(t.Check1, "Automatisch");
    EXPECT_EQ(twips::of(t.Check1), (twips::Rect{3840, 1920, 1455, 190})) << "the design's rectangle";
    EXPECT_TRUE(t.Check1->font().bold());
    within(&spare, "375 twips high");
    EXPECT_EQ(spare.font(), given);
    twips::setHeight(&spare, 150);
    within(&spare, "lowered below its font's line");
    EXPECT_LT(spare.fontMetrics().height(), QFontMetrics(given).height());
    twips::setHeight(&spare, 375);
    EXPECT_EQ(spare.font(), given) << "high enough again";
}

// An unticked box shows a white face on every background behind it (the
// viewer's grey, a button face in the small text store), as an enabled box.
TEST(Forms, AnUntickedCheckBoxShowsAWhiteFaceOnAnyBackground)
{
    TestDesktop d;
    Textform &t = d.forms->get<Textform>(); // small layout: "vordergrund" on a button face
    t.Check3->setCheckState(Qt::Unchecked);
    Bilderramen &v = d.forms->get<Bilderramen>();
    for (Form *w : {static_cast<Form *>(&t), static_cast<Form *>(&v)})
        w->show();
    for (CheckBox *box : {v.Check1, t.Check3, t.Check1}) {
        QStyleOptionButton option;
        option.initFrom(box);
        const QRect mark = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        const QImage seen = box->grab().toImage();
        const QPoint centre = mark.center() * seen.devicePixelRatio();
        EXPECT_EQ(seen.pixel(centre), qRgb(255, 255, 255)) << box->text().toStdString() << " on "
                                                           << box->palette().color(QPalette::Window).name().toStdString();
    }
}
