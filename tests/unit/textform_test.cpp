// The text store window: its load state, capture into the text list, typing,
// the options flag, the layout flag and closing.

#include "support/testdesktop.h"

#include "capture/Zwischablage.h"
#include "shell/Starter.h"
#include "textstore/Textform.h"
#include "winutil/twips.h"

#include <QFocusEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class TextStore : public ::testing::Test
{
protected:
    TestDesktop d;
    Textform &t() { return d.forms->get<Textform>(); }
    ListBox &list() { return *t().List1[0]; }
    void copy(const QString &text) { d.clipboard.setFromOutside(text); }
    QStringList entries() { return list().entries()->entries(); }
};

} // namespace

TEST_F(TextStore, LoadsSmallWithTheViewerWindowJoinedAndHidden)
{
    Textform &w = t();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.Width(), 3100);
    EXPECT_EQ(w.Height(), 1000);
    EXPECT_EQ(w.Check2->Value(), 1);
    EXPECT_EQ(w.Check3->Value(), 1);
    EXPECT_EQ(w.Check1->Value(), 0);
    EXPECT_EQ(w.Caption(), QStringLiteral("Merkolo-Text"));
    EXPECT_EQ(twips::of(w.List1[0]), (twips::Rect{360, 0, 2055, 645}));
    EXPECT_EQ(twips::of(w.Text2), (twips::Rect{0, 720, 3015, 855}));
    EXPECT_EQ(twips::of(w.Frame1).top, 0);
    EXPECT_EQ(twips::of(w.Check3), (twips::Rect{2470, 390, 220, 255}));
    EXPECT_EQ(w.Text2->Text(), QStringLiteral("Text kann gespeichert werden mit Klick auf Speichern!"));
    ASSERT_NE(d.forms->find<Zwischablage>(), nullptr);
    EXPECT_FALSE(d.forms->find<Zwischablage>()->isVisible());
    EXPECT_EQ(user32::GetClipboardViewer(), d.forms->find<Zwischablage>()->hWnd());
    EXPECT_EQ(plainToolTip(w.Check1),
              QStringLiteral("Automatisch jeden neuen Text aus der Zwischenablage in Speicher Liste einfügen!"));
}

TEST_F(TextStore, LargeLayoutAndBackAndTheLayoutFlagSetsHeights)
{
    Textform &w = t();
    w.Command12_Click();
    EXPECT_EQ(w.Check2->Value(), 0);
    EXPECT_EQ(w.Width(), 5400);
    EXPECT_EQ(w.Height(), 3675);
    EXPECT_EQ(twips::of(w.List1[0]), (twips::Rect{0, 840, 5295, 1035}));
    EXPECT_EQ(twips::of(w.Text2), (twips::Rect{0, 2160, 5295, 855}));
    EXPECT_EQ(twips::of(w.Frame1).top, 4440);
    EXPECT_EQ(twips::of(w.Check3).top, 1890);
    EXPECT_EQ(twips::of(w.Check3).left, 3480);

    w.Check2->setValue(1);
    EXPECT_EQ(w.Height(), 1950);
    w.Check2->setValue(0);
    EXPECT_EQ(w.Height(), 3675);

    w.Command10_Click(); // middle layout
    EXPECT_EQ(w.Height(), 2010);
    EXPECT_EQ(twips::of(w.Text2).height, 10);
    EXPECT_EQ(twips::of(w.Text2).top, 50);
    EXPECT_EQ(w.Check2->Value(), 0);

    w.Command4_Click();
    EXPECT_EQ(w.Width(), 3100);
    EXPECT_EQ(w.Height(), 1000);
    EXPECT_EQ(w.Check2->Value(), 1);
}

TEST_F(TextStore, AutomatischDecidesWhetherCapturesAreAppended)
{
    t();
    copy(QStringLiteral("eins"));
    EXPECT_EQ(t().Text1->Text(), QStringLiteral("eins"));
    EXPECT_TRUE(entries().isEmpty());

    t().Check1->setValue(1);
    copy(QStringLiteral("zwei"));
    copy(QStringLiteral("drei"));
    t().Check1->setValue(0);
    copy(QStringLiteral("vier"));
    t().Check1->setValue(1); // nothing captured meanwhile comes in later
    copy(QStringLiteral("zwei"));
    EXPECT_EQ(entries(), (QStringList{"zwei", "drei", "zwei"}));
    EXPECT_EQ(list().ListIndex(), -1); // appending selects nothing
}

TEST_F(TextStore, RepeatedIdenticalTextIsNoChangeButDuplicatesAreKept)
{
    t().Check1->setValue(1);
    copy(QStringLiteral("gleich"));
    copy(QStringLiteral("gleich"));
    EXPECT_EQ(entries(), (QStringList{"gleich"}));
    copy(QStringLiteral("anders"));
    copy(QStringLiteral("gleich"));
    EXPECT_EQ(entries(), (QStringList{"gleich", "anders", "gleich"}));
}

TEST_F(TextStore, TextsWithLineBreaksStayWholeAndExact)
{
    t().Check1->setValue(1);
    const QString text = QStringLiteral("Zeile 1\r\nZeile 2\n\tZeile 3\r\n");
    copy(text);
    ASSERT_EQ(entries().size(), 1);
    EXPECT_EQ(entries().at(0), text);
    // Shown on one line.
    const QString shown = list().model()->index(0, 0).data().toString();
    EXPECT_FALSE(shown.contains(QLatin1Char('\n')));
    EXPECT_FALSE(shown.contains(QLatin1Char('\r')));
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Zeile 1")));
}

TEST_F(TextStore, EachKeystrokeAppendsTheWholeText)
{
    Textform &w = t();
    w.Check1->setValue(1);
    w.Text1->setText(QString());
    list().Clear();
    QTest::keyClicks(w.Text1, QStringLiteral("abc"));
    EXPECT_EQ(entries(), (QStringList{"a", "ab", "abc"}));
}

TEST_F(TextStore, AFullListTakesNothingMore)
{
    Textform &w = t();
    w.Check1->setValue(1);
    for (int i = 0; i < ListModel::kMaxEntries - 1; ++i)
        ASSERT_TRUE(list().AddItem(QString::number(i)));
    copy(QStringLiteral("letzter Platz"));
    ASSERT_EQ(list().ListCount(), 32767);
    EXPECT_EQ(list().List(32766), QStringLiteral("letzter Platz"));
    copy(QStringLiteral("zu viel"));
    EXPECT_EQ(list().ListCount(), 32767);
    EXPECT_EQ(w.Text1->Text(), QStringLiteral("zu viel"));
    EXPECT_EQ(list().List(32766), QStringLiteral("letzter Platz"));
}

TEST_F(TextStore, LeavingAutomatischSetsTheTextOptionsFlag)
{
    Textform &w = t();
    Starter &s = d.forms->get<Starter>();
    EXPECT_EQ(s.Check2->Value(), 0);
    w.Check1->setValue(1); // a value from code sets no flag
    EXPECT_EQ(s.Check2->Value(), 0);
    QFocusEvent in(QEvent::FocusIn), out(QEvent::FocusOut);
    QCoreApplication::sendEvent(w.Check1, &in);
    EXPECT_EQ(s.Check2->Value(), 0);
    QCoreApplication::sendEvent(w.Check1, &out);
    EXPECT_EQ(s.Check2->Value(), 1);
    EXPECT_FALSE(s.isVisible());
}

TEST_F(TextStore, ClosingDiscardsTheListAndTheNextOpenStartsEmpty)
{
    t().Check1->setValue(1);
    copy(QStringLiteral("weg"));
    t().Show();
    QPointer<Textform> first(&t());
    QTest::mouseClick(t().Command11, Qt::LeftButton); // "EXIT" unloads from its own handler
    EXPECT_EQ(d.forms->find<Textform>(), nullptr);
    TestDesktop::flushDeletes();
    EXPECT_TRUE(first.isNull());
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_EQ(t().Check1->Value(), 0);
}

TEST_F(TextStore, EscapeClosesAndOffersToSaveAChangedOption)
{
    Textform &w = t();
    w.Show();
    Starter &s = d.forms->get<Starter>();
    s.Check2->setValue(1);
    QTest::keyClick(w.List1[0], Qt::Key_Escape);
    EXPECT_EQ(d.forms->find<Textform>(), nullptr);
    EXPECT_EQ(s.Check2->Value(), 0); // the save button ran and cleared the flag
}
