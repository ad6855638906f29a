// The window registry and the Form base: creation on first reference, unload,
// key preview, close requests and twips geometry.

#include "support/testdesktop.h"

#include "winutil/twips.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

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
