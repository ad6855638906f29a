// The text store window: its load state, capture into the text list, typing,
// the options flag, the layout flag and closing; picking, copying back,
// pasting in, deleting, the list keys, always on top and the window's keys.

#include "support/files.h"
#include "support/openedurls.h"
#include "support/testdesktop.h"

#include "capture/Zwischablage.h"
#include "forms/twips.h"
#include "shell/Starter.h"
#include "textstore/Textform.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QFocusEvent>
#include <QMouseEvent>
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

// Tab and Shift+Tab move the focus on from every multi-line box (the
// window's tab order) and type nothing, so "Automatisch" appends no entry;
// Ctrl+Tab types a tab.
TEST_F(TextStore, TabMovesTheFocusOutOfEveryMultiLineBoxAndCtrlTabTypesATab)
{
    Textform &w = t();
    w.Check1->setValue(1);
    w.Show();
    Zwischablage &z = d.forms->get<Zwischablage>();
    z.Show(); // the viewer window, as "Command1" shows it
    for (auto [box, name] : {std::pair{w.Text1, "Text1"}, {w.Text2, "Text2"}, {z.Text1, "viewer's Text1"}}) {
        SCOPED_TRACE(name);
        QWidget *window = box->window();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        const QString before = box->Text();
        const qsizetype count = entries().size();
        box->setFocus();
        ASSERT_TRUE(box->hasFocus());
        QTest::keyClick(box, Qt::Key_Tab);
        QWidget *next = QApplication::focusWidget();
        EXPECT_NE(next, box);
        EXPECT_TRUE(next && next->window() == window);
        if (next)
            QTest::keyClick(next, Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_TRUE(box->hasFocus()) << "Shift+Tab comes back";
        QTest::keyClick(box, Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_FALSE(box->hasFocus());
        EXPECT_EQ(box->Text(), before);
        EXPECT_EQ(entries().size(), count) << "no entry from a Tab";
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Tab, Qt::ControlModifier);
        EXPECT_TRUE(box->hasFocus());
        EXPECT_EQ(box->Text().count(QLatin1Char('\t')), before.count(QLatin1Char('\t')) + 1);
    }
    EXPECT_EQ(entries().size(), 2) << "Ctrl+Tab in the text store's Text1, and handed on from the viewer's";
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

// ---- entries back to the clipboard, pasting in, deleting, list keys ---------

namespace {

const QString kDesignText2 = QStringLiteral("Text kann gespeichert werden mit Klick auf Speichern!");

// The window shown and active (so that focus moves raise their events),
// holding `items` in the text list.
class TextTransfer : public TextStore
{
protected:
    Textform &shown(const QStringList &items = {}, bool large = false)
    {
        Textform &w = t();
        for (const QString &item : items)
            list().AddItem(item);
        if (large)
            w.Command12_Click();
        w.Show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
        return w;
    }
    QPoint rowCentre(int row) { return list().visualRect(list().model()->index(row, 0)).center(); }
    // The pointer moves over a list (as the window system reports it, wherever the pointer was).
    void moveOver(ListBox *box, QPoint at = {3, 3})
    {
        QMouseEvent move(QEvent::MouseMove, at, box->viewport()->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(box->viewport(), &move);
    }
    void clickRow(int row) { QTest::mouseClick(list().viewport(), Qt::LeftButton, {}, rowCentre(row)); }
    void key(int i, Qt::Key k, Qt::KeyboardModifiers m = Qt::ControlModifier)
    {
        QTest::keyClick(t().List1[i], k, m);
    }
    QString board() { return d.clipboard.text.value_or(QStringLiteral("<kein Text>")); }
    // Clipboard changes seen so far (each clear and each put is one).
    int changes = 0;
    void countChanges()
    {
        QObject::connect(&d.clipboard, &Clipboard::changed, [this] { ++changes; });
    }
};

} // namespace

TEST_F(TextTransfer, PickingAnEntryShowsItAndOpensTheWindowFocusLossClosesIt)
{
    const struct {
        bool large;
        int picked, left;
    } layouts[] = {{false, 1950, 1000}, {true, 3675, 2505}};
    for (const auto &l : layouts) {
        Textform &w = shown({"eins", "zwei\r\nzwei b", "drei"}, l.large);
        const int width = w.Width();
        clickRow(1);
        EXPECT_EQ(w.Text2->Text(), QStringLiteral("zwei\r\nzwei b")) << l.large;
        EXPECT_EQ(w.Height(), l.picked);
        EXPECT_EQ(w.Width(), width) << "only the height follows a pick";
        EXPECT_TRUE(list().hasFocus());

        w.Check1->setFocus(); // the focus leaves the list
        EXPECT_EQ(w.Height(), l.left);
        EXPECT_EQ(w.Text2->Text(), QStringLiteral("zwei\r\nzwei b")) << "Text2 keeps its text";
        // A click on the entry already picked picks it again.
        w.Text2->setText(QStringLiteral("bearbeitet"));
        clickRow(1);
        EXPECT_EQ(w.Text2->Text(), QStringLiteral("zwei\r\nzwei b"));
        EXPECT_EQ(w.Height(), l.picked);
        w.Check1->setFocus();

        list().setFocus();
        key(0, Qt::Key_Down, Qt::NoModifier); // the list's own navigation is a pick too
        EXPECT_EQ(w.Text2->Text(), QStringLiteral("drei"));
        EXPECT_EQ(w.Height(), l.picked);
        list().setListIndex(0); // and so is code
        EXPECT_EQ(w.Text2->Text(), QStringLiteral("eins"));

        // Another program becoming active is no focus loss of the list.
        w.setHeight(l.picked);
        QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(&list(), &away);
        EXPECT_EQ(w.Height(), l.picked);

        w.Unload();
        TestDesktop::flushDeletes();
    }
}

TEST_F(TextTransfer, AllThreeCopyOutsClearThenPutText2ExactlyAndTheCopyIsCapturedAgain)
{
    const QString odd[] = {
        QStringLiteral("<b>fett</b> <img src=\"file:///etc/passwd\">"),
        QString(QStringLiteral("vor")) + QChar(0) + QStringLiteral("nach"),
        QStringLiteral("\u05e9\u05dc\u05d5\u05dd \u202eabc\u202c Ende\r\n"),
        QString(32767, QLatin1Char('x')),
    };
    Textform &w = shown({odd[0], odd[1], odd[2], odd[3]});
    countChanges();
    // Double click (it picks the entry first), "Kopiere" and the copy icon.
    const std::function<void(int)> ways[] = {
        [&](int row) {
            clickRow(row);
            QTest::mouseDClick(list().viewport(), Qt::LeftButton, {}, rowCentre(row));
        },
        [&](int row) { list().setListIndex(row); QTest::mouseClick(w.Command3, Qt::LeftButton); },
        [&](int row) { list().setListIndex(row); QTest::mouseClick(w.Picture2, Qt::LeftButton); },
    };
    for (int way = 0; way < 3; ++way) {
        for (int row = 0; row < 4; ++row) {
            d.clipboard.setFromOutside(QStringLiteral("vorher"));
            const int before = changes;
            ways[way](row);
            EXPECT_EQ(board(), odd[row]) << way << " " << row;
            EXPECT_EQ(changes - before, 2) << "a clear, then the text";
            EXPECT_EQ(w.Text1->Text(), odd[row]) << "captured like any other change";
        }
    }
    EXPECT_EQ(list().ListCount(), 4) << "Automatisch unticked: nothing appended";
    // The shown line and the tooltip are plain: no markup is interpreted.
    list().setListIndex(0);
    moveOver(&list());
    EXPECT_EQ(plainToolTip(&list()),
              QStringLiteral("Speicher Liste:  Mit Doppelklick in Zwischenablage kopieren! >...") + odd[0]);
    EXPECT_TRUE(list().toolTip().contains(QStringLiteral("&lt;img src=")));
    EXPECT_EQ(w.Text2->toPlainText(), odd[0]);

    // With Automatisch ticked a copy that differs from Text1 comes back as the last entry.
    w.Check1->setValue(1);
    list().setListIndex(1);
    w.Command3_Click();
    EXPECT_EQ(entries(), (QStringList{odd[0], odd[1], odd[2], odd[3], odd[1]}));
    w.Command3_Click(); // the same text again is no change of Text1
    EXPECT_EQ(list().ListCount(), 5);
}

TEST_F(TextTransfer, CopyOutOfAnEmptyListPutsTheShownTextAndEmptyActionsDoNothing)
{
    Textform &w = shown();
    w.Command3_Click();
    EXPECT_EQ(board(), kDesignText2);
    w.Command7_Click();
    key(0, Qt::Key_X);
    EXPECT_EQ(board(), kDesignText2);
    EXPECT_EQ(list().ListCount(), 0);
    EXPECT_TRUE(d.messages.calls.empty());
}

TEST_F(TextTransfer, PastingInAppendsText1AndLeavesPickAndHeightAlone)
{
    Textform &w = shown({"a", "b"});
    clickRow(0);
    const int height = w.Height();
    w.Text1->setText(QStringLiteral("neu"));
    w.Command2_Click();
    QTest::mouseClick(w.Picture1, Qt::LeftButton); // the icon takes no focus
    EXPECT_EQ(entries(), (QStringList{"a", "b", "neu", "neu"}));
    EXPECT_EQ(list().ListIndex(), 0);
    EXPECT_EQ(w.Text2->Text(), QStringLiteral("a"));
    EXPECT_EQ(w.Height(), height);
    // The button takes the focus from the list, as every button does.
    QTest::mouseClick(w.Command2, Qt::LeftButton);
    EXPECT_EQ(list().ListCount(), 5);
    EXPECT_EQ(w.Height(), 1000);
}

TEST_F(TextTransfer, DeleteRemovesThePickedEntryOnlyAndLeavesNonePicked)
{
    Textform &w = shown({"a", "b", "c"}, true);
    clickRow(1);
    QTest::mouseClick(w.Command7, Qt::LeftButton);
    EXPECT_EQ(entries(), (QStringList{"a", "c"}));
    EXPECT_EQ(list().ListIndex(), -1);
    EXPECT_EQ(w.Text2->Text(), QStringLiteral("b"));
    EXPECT_TRUE(list().hasFocus());
    // A double click on the button is two clicks: the second finds nothing picked.
    QTest::mouseDClick(w.Command7, Qt::LeftButton);
    w.Command7_Click();
    EXPECT_EQ(entries(), (QStringList{"a", "c"}));
}

TEST_F(TextTransfer, CtrlCAndCtrlXPutTheWholeEntryAndMoveTheFocusOnInACircle)
{
    Textform &w = shown({"eins", "zwei\r\nmit Zeilen", "drei"});
    // The toolkit's clipboard stands in for the view's own copy, which must not run.
    QGuiApplication::clipboard()->setText(QStringLiteral("Marke"));
    clickRow(1);
    key(0, Qt::Key_C);
    // The whole entry, not the one line the list shows of it.
    EXPECT_EQ(board(), QStringLiteral("zwei\r\nmit Zeilen"));
    EXPECT_TRUE(w.List1[1]->hasFocus());
    EXPECT_EQ(w.Height(), 1000) << "the text list lost the focus";

    key(1, Qt::Key_C); // nothing picked there: an empty text
    EXPECT_EQ(d.clipboard.text, std::optional<QString>(QString()));
    EXPECT_TRUE(w.List1[2]->hasFocus());
    key(2, Qt::Key_X); // nothing picked: nothing happens, the focus stays
    EXPECT_TRUE(w.List1[2]->hasFocus());
    key(2, Qt::Key_C);
    EXPECT_TRUE(w.List1[0]->hasFocus()) << "from the last list back to the first";

    // Only Ctrl alone counts; Ctrl+Insert (the toolkit's copy) copies nothing either.
    d.clipboard.setFromOutside(QStringLiteral("unberührt"));
    list().setListIndex(0);
    key(0, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    key(0, Qt::Key_X, Qt::ControlModifier | Qt::AltModifier);
    key(0, Qt::Key_Insert, Qt::ControlModifier);
    key(0, Qt::Key_C, Qt::NoModifier);
    EXPECT_EQ(board(), QStringLiteral("unberührt"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Marke"));
    EXPECT_EQ(list().ListCount(), 3);

    // Ctrl+X with Automatisch ticked: the entry leaves its place and comes back last.
    w.Check1->setValue(1);
    list().setFocus();
    list().setListIndex(0);
    key(0, Qt::Key_X);
    EXPECT_EQ(entries(), (QStringList{"zwei\r\nmit Zeilen", "drei", "eins"}));
    EXPECT_EQ(board(), QStringLiteral("eins"));
    EXPECT_TRUE(w.List1[1]->hasFocus());
}

TEST_F(TextTransfer, CtrlVAppendsPicksAndShowsOrDoesNothingWithoutText)
{
    for (bool large : {false, true}) {
        Textform &w = shown({"a"}, large);
        list().setFocus();
        d.clipboard.setFromOutside(QStringLiteral("<i>eingefügt</i>"));
        key(0, Qt::Key_V);
        EXPECT_EQ(entries(), (QStringList{"a", "<i>eingefügt</i>"}));
        EXPECT_EQ(list().ListIndex(), 1);
        EXPECT_EQ(w.Text2->Text(), QStringLiteral("<i>eingefügt</i>"));
        EXPECT_EQ(w.Height(), large ? 3675 : 1950);

        // No text on the clipboard, or text that cannot be read: nothing.
        d.clipboard.setFromOutside(std::nullopt, QImage(4, 4, QImage::Format_RGB32));
        key(0, Qt::Key_V);
        d.clipboard.setFromOutside(QStringLiteral("x"));
        d.clipboard.unreadable = true;
        key(0, Qt::Key_V);
        d.clipboard.unreadable = false;
        EXPECT_EQ(list().ListCount(), 2);

        // In a list out of sight: that list takes it; Text2 still shows the text list's pick.
        w.List1[2]->setFocus();
        key(2, Qt::Key_V);
        EXPECT_EQ(w.List1[2]->entries()->entries(), QStringList{"x"});
        EXPECT_EQ(w.List1[2]->ListIndex(), 0);
        EXPECT_EQ(w.Text2->Text(), QStringLiteral("<i>eingefügt</i>"));
        EXPECT_TRUE(d.messages.calls.empty());
        w.Unload();
        TestDesktop::flushDeletes();
    }
}

TEST_F(TextTransfer, ACtrlVIntoAFullListPicksItsLastEntry)
{
    Textform &w = shown();
    for (int i = 0; i < ListModel::kMaxEntries; ++i)
        list().AddItem(QString::number(i));
    list().setFocus();
    d.clipboard.setFromOutside(QStringLiteral("zu viel"));
    key(0, Qt::Key_V);
    EXPECT_EQ(list().ListCount(), ListModel::kMaxEntries);
    EXPECT_EQ(list().ListIndex(), ListModel::kMaxEntries - 1);
    EXPECT_EQ(w.Text2->Text(), QStringLiteral("32766"));
}

TEST_F(TextTransfer, TheCaptionCountsEntriesOnlyWhenTheMouseMovesOverAList)
{
    Textform &w = shown(QStringList(12, QStringLiteral("e")));
    w.Check1->setValue(1);
    moveOver(&list());
    EXPECT_EQ(w.Caption(), QStringLiteral("Speicher Liste: 12 Einträg in der Liste !"));
    EXPECT_EQ(plainToolTip(&list()), QStringLiteral("Speicher Liste:  Mit Doppelklick in Zwischenablage kopieren! >..."));
    copy(QStringLiteral("dreizehn"));
    w.Command2_Click();
    EXPECT_EQ(list().ListCount(), 14);
    EXPECT_EQ(w.Caption(), QStringLiteral("Speicher Liste: 12 Einträg in der Liste !"));
    // A move over another list of the array counts the text list too.
    moveOver(w.List1[2]);
    EXPECT_EQ(w.Caption(), QStringLiteral("Speicher Liste: 14 Einträg in der Liste !"));
}

// ---- layouts, always on top, keys of the window ---------------------------

TEST_F(TextTransfer, AlwaysOnTopTogglesWithAOneTwipStepAndTheRepaint)
{
    Textform &w = shown();
    const auto onTop = [&] { return w.windowFlags().testFlag(Qt::WindowStaysOnTopHint); };
    ASSERT_TRUE(QTest::qWaitFor(onTop));
    w.setLeft(3000);
    w.setTop(1500);
    QTest::mouseClick(w.Check3, Qt::LeftButton);
    EXPECT_EQ(w.Left(), 2999);
    EXPECT_EQ(w.Top(), 1499);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !onTop(); }));
    EXPECT_TRUE(w.isVisible());
    QTest::mouseClick(w.Check3, Qt::LeftButton);
    EXPECT_EQ(w.Left(), 3000);
    EXPECT_EQ(w.Top(), 1500);
    EXPECT_TRUE(QTest::qWaitFor(onTop));
}

TEST_F(TextTransfer, F1OpensTheHelpPageAndCommand1ShowsTheViewerWindow)
{
    OpenedUrls opened;
    QDir(d.roots.current).mkpath(QStringLiteral("mk-hilfe"));
    writeFile(d.roots.current + QStringLiteral("/mk-hilfe/index.html"), "<html></html>");
    Textform &w = shown({"a"});
    key(0, Qt::Key_F1, Qt::NoModifier);
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(d.roots.current + QStringLiteral("/mk-hilfe/index.html"))});
    EXPECT_NE(d.forms->find<Textform>(), nullptr);

    // One press, one action: with the page gone, one box, though the key that
    // answers it comes up meanwhile and the press travels on from Text1 to the window.
    QDir(d.roots.current + QStringLiteral("/mk-hilfe")).removeRecursively();
    w.Text1->setFocus();
    d.messages.whileOpen = [&](const QString &) { QTest::keyRelease(w.Text1, Qt::Key_Return); };
    QTest::keyClick(w.Text1, Qt::Key_F1);
    EXPECT_EQ(d.messages.calls.size(), 1u);

    w.Command1_Click();
    EXPECT_TRUE(d.forms->find<Zwischablage>()->isVisible());
}
