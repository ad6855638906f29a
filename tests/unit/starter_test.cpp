// The selector window: start-up, opening the stores, the notification icon
// and its menu, and every way the program ends.

#include "support/openedurls.h"
#include "support/testdesktop.h"

#include "capture/Zwischablage.h"
#include "imagestore/Formbilder.h"
#include "shell/Starter.h"
#include "textstore/Textform.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace {


// The selector shown, with a help page in the current directory to open.
Starter &started(TestDesktop &desk)
{
    QDir(desk.roots.current).mkpath(QStringLiteral("mk-hilfe"));
    QFile page(QDir(desk.roots.current).filePath(QStringLiteral("mk-hilfe/index.html")));
    page.open(QIODevice::WriteOnly);
    page.write("<html></html>");
    page.close();
    Starter &s = desk.forms->get<Starter>();
    s.Show();
    return s;
}

void writeOptions(TestDesktop &desk, const char *name, const QByteArray &data)
{
    QDir().mkpath(desk.roots.program + "/einstellung");
    QFile f(desk.roots.program + "/einstellung/" + name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QList<QUrl> helpPage(TestDesktop &desk)
{
    return {QUrl::fromLocalFile(QDir(desk.roots.current).filePath(QStringLiteral("mk-hilfe/index.html")))};
}

const QStringList kMenu = {"Hilfe Fenster", "-", "Bilder+Zwischenablage-Leeren", "-", "Bilder-Speicher", "-",
                           "Text-Speicher Fenster klein", "Text-Speicher Fenster gross", "-", "Startfenster",
                           "Ende"};

} // namespace

TEST(StarterStartUp, OnlyTheSelectorExistsAndNothingIsCaptured)
{
    TestDesktop desk;
    Starter &s = started(desk);
    EXPECT_EQ(s.Caption(), QStringLiteral("Merkolo-Auswahl: Quenta"));
    EXPECT_EQ(s.ScaleWidth(), 6345);
    EXPECT_EQ(s.ScaleHeight(), 750);
    EXPECT_FALSE(s.menuBarVisible());
    // The code-only controls lie below the client area, out of the keyboard's reach.
    for (QWidget *c : std::initializer_list<QWidget *>{s.Picture4, s.Check1, s.Check2, s.Command2, s.Command3,
                                                        s.Command4, s.Command5, s.Command6}) {
        EXPECT_GE(c->mapTo(&s, QPoint(0, 0)).y(), s.height());
        EXPECT_EQ(c->focusPolicy(), Qt::NoFocus);
    }
    EXPECT_EQ(s.Check1->Value() + s.Check2->Value(), 0);

    EXPECT_EQ(desk.forms->find<Textform>(), nullptr);
    EXPECT_EQ(desk.forms->find<Formbilder>(), nullptr);
    EXPECT_EQ(desk.forms->find<Zwischablage>(), nullptr);
    EXPECT_EQ(user32::GetClipboardViewer(), 0u);
    EXPECT_TRUE(desk.tray.icons.empty());
    desk.clipboard.setFromOutside(QStringLiteral("kopiert"));
    EXPECT_EQ(desk.beeper.count, 0);
}

TEST(StarterStores, OpeningTheImageStoreShowsItReadsItsOptionsThenGoesToTheTray)
{
    TestDesktop desk;
    Starter &s = started(desk);
    writeOptions(desk, "optionen.txt", " 1 \r\n 2 \r\n");
    QStringList atAdd;
    desk.tray.onAdd = [&] {
        Formbilder *fb = desk.forms->find<Formbilder>();
        atAdd << QStringLiteral("store shown %1, options %2 %3, selector shown %4")
                     .arg(fb->isVisible())
                     .arg(fb->Check4->Value())
                     .arg(fb->Check1->Value())
                     .arg(s.isVisible());
    };
    s.Picture1_Click();
    EXPECT_EQ(atAdd, QStringList({"store shown 1, options 1 2, selector shown 0"}));
    EXPECT_FALSE(desk.tray.taskVisible());
    EXPECT_EQ(desk.tray.icons.begin()->second.tip, QStringLiteral("Merkolo"));

    // Opened again the options are read again; the icon stays one.
    Formbilder &fb = desk.forms->get<Formbilder>();
    fb.Check4->setValue(0);
    fb.Check1->setValue(0);
    s.Label1_Click();
    s.Label4_Click();
    EXPECT_EQ(fb.Check4->Value(), 1);
    EXPECT_EQ(fb.Check1->Value(), 2);
    EXPECT_EQ(desk.tray.adds, 1);
}

TEST(StarterStores, OpeningTheTextStoreStartsCaptureAndGoesToTheTray)
{
    TestDesktop desk;
    Starter &s = started(desk);
    writeOptions(desk, "optionen2.txt", " 1 \r\n");
    s.Label2_Click();
    Textform *tf = desk.forms->find<Textform>();
    ASSERT_NE(tf, nullptr);
    EXPECT_TRUE(tf->isVisible());
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(desk.tray.icons.size(), 1u);
    // "Automatisch" came from the file, so the next clipboard text is kept.
    desk.clipboard.setFromOutside(QStringLiteral("erster Text"));
    ASSERT_EQ(tf->List1[0]->ListCount(), 1);
    EXPECT_EQ(tf->List1[0]->List(0), QStringLiteral("erster Text"));
}

TEST(StarterStores, EveryVisibleControlDoesItsJobWhenClicked)
{
    using Check = std::function<bool(TestDesktop &, Starter &, OpenedUrls &)>;
    auto shown = [](auto find) -> Check {
        return [find](TestDesktop &d, Starter &s, OpenedUrls &) {
            Form *f = find(d);
            return f && f->isVisible() && !s.isVisible() && d.tray.icons.size() == 1;
        };
    };
    const Check image = shown([](TestDesktop &d) -> Form * { return d.forms->find<Formbilder>(); });
    const Check text = shown([](TestDesktop &d) -> Form * { return d.forms->find<Textform>(); });
    const Check tray = [](TestDesktop &d, Starter &s, OpenedUrls &) {
        return d.tray.icons.size() == 1 && !s.isVisible() && !d.forms->find<Textform>();
    };
    const Check help = [](TestDesktop &d, Starter &s, OpenedUrls &u) { return u.urls == helpPage(d) && s.isVisible(); };
    const Check ended = [](TestDesktop &d, Starter &, OpenedUrls &) { return d.endCount == 1; };
    using Control = QWidget *(*)(Starter &);
    const std::pair<Control, Check> cases[] = {
        {[](Starter &s) -> QWidget * { return s.Picture6; }, help},
        {[](Starter &s) -> QWidget * { return s.Picture1; }, image},
        {[](Starter &s) -> QWidget * { return s.Label1; }, image},
        {[](Starter &s) -> QWidget * { return s.Picture2; }, text},
        {[](Starter &s) -> QWidget * { return s.Label2; }, text},
        {[](Starter &s) -> QWidget * { return s.Picture5; }, tray},
        {[](Starter &s) -> QWidget * { return s.Label4; }, tray},
        {[](Starter &s) -> QWidget * { return s.Picture3; }, ended},
        {[](Starter &s) -> QWidget * { return s.Label3; }, ended},
    };
    for (const auto &[control, happened] : cases) {
        TestDesktop desk;
        OpenedUrls opened;
        Starter &s = started(desk);
        QWidget *w = control(s);
        QTest::mouseClick(w, Qt::LeftButton);
        EXPECT_TRUE(happened(desk, s, opened)) << plainToolTip(w).toStdString();
    }
}

TEST(StarterTray, MouseMessagesOfTheIcon)
{
    // Message number, shows the selector, pops the menu up.
    const std::tuple<int, bool, bool> cases[] = {{512, false, false}, {513, false, false}, {514, false, false},
                                                 {515, true, false},  {516, false, false}, {517, false, true},
                                                 {518, true, false},  {519, false, false}};
    for (const auto &[message, shows, popsUp] : cases) {
        TestDesktop desk;
        Starter &s = started(desk);
        s.Picture5_Click();
        ASSERT_FALSE(s.isVisible() || desk.tray.taskVisible() || s.menuBarVisible());
        desk.tray.click(message);
        EXPECT_EQ(s.isVisible(), shows) << message;
        EXPECT_EQ(desk.tray.popUps, popsUp ? std::vector<QStringList>{kMenu} : std::vector<QStringList>{})
            << message;
        // Whatever the message: the task-list entry and the menu bar come back; the icon stays.
        EXPECT_TRUE(desk.tray.taskVisible()) << message;
        EXPECT_TRUE(s.menuBarVisible()) << message;
        EXPECT_EQ(desk.tray.icons.size(), 1u) << message;
    }
}

TEST(StarterTray, AClickOnTheIconWhileTheMenuIsOpenOpensNoSecondMenu)
{
    TestDesktop desk;
    Starter &s = started(desk);
    s.Picture5_Click();
    desk.tray.whileOpen = [&] { desk.tray.click(WM_RBUTTONUP); };
    desk.tray.click(WM_RBUTTONUP);
    EXPECT_EQ(desk.tray.popUps.size(), 1u);
    desk.tray.whileOpen = nullptr;
    desk.tray.click(WM_RBUTTONUP);
    EXPECT_EQ(desk.tray.popUps.size(), 2u);
}

TEST(StarterTray, ASelectorMinimizedBeforeTheTrayComesBackRestored)
{
    TestDesktop desk;
    Starter &s = started(desk);
    s.showMinimized();
    s.Picture5_Click();
    desk.tray.click(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(s.isVisible());
    EXPECT_FALSE(s.isMinimized());
}

TEST(StarterTray, MenuBarAndShortcutsOnlyAfterTheIconWasTouched)
{
    TestDesktop desk;
    OpenedUrls opened;
    Starter &s = started(desk);
    const int plainHeight = s.height();
    s.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&s));
    QTest::keyClick(&s, Qt::Key_F1);
    EXPECT_TRUE(opened.urls.isEmpty());

    s.Picture5_Click();
    desk.tray.click(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(s.menuBarVisible());
    // The bar sits above the client area, which keeps its size.
    EXPECT_EQ(s.Picture1->mapTo(&s, QPoint(0, 0)).y(), s.height() - plainHeight);
    EXPECT_GT(s.height(), plainHeight);
    s.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&s));
    QTest::keyClick(&s, Qt::Key_F1);
    EXPECT_EQ(opened.urls, helpPage(desk));
    QTest::keyClick(&s, Qt::Key_B, Qt::ControlModifier);
    EXPECT_TRUE(desk.forms->find<Formbilder>() && desk.forms->find<Formbilder>()->isVisible());

    s.Label4_Click();
    EXPECT_FALSE(s.menuBarVisible());
    EXPECT_FALSE(desk.tray.taskVisible());
}

TEST(StarterTray, MenuEntriesReachTheStoresWithoutReadingOptions)
{
    using Check = std::function<bool(TestDesktop &, Starter &, OpenedUrls &)>;
    auto textLayout = [](int small) -> Check {
        return [small](TestDesktop &d, Starter &, OpenedUrls &) {
            Textform *tf = d.forms->find<Textform>();
            return tf && tf->isVisible() && tf->Check2->Value() == small && tf->Check1->Value() == 0;
        };
    };
    const std::pair<const char *, Check> cases[] = {
        {"Hilfe Fenster", [](TestDesktop &d, Starter &, OpenedUrls &u) { return u.urls == helpPage(d); }},
        {"Startfenster", [](TestDesktop &d, Starter &s, OpenedUrls &) { return s.isVisible() && d.tray.icons.size() == 1; }},
        {"Bilder-Speicher",
         [](TestDesktop &d, Starter &s, OpenedUrls &) {
             Formbilder *fb = d.forms->find<Formbilder>();
             return fb && fb->isVisible() && fb->Check4->Value() == 0 && !s.isVisible();
         }},
        {"Bilder+Zwischenablage-Leeren",
         [](TestDesktop &d, Starter &, OpenedUrls &) {
             Formbilder *fb = d.forms->find<Formbilder>();
             return fb && !fb->isVisible();
         }},
        {"Text-Speicher Fenster klein", textLayout(1)},
        {"Text-Speicher Fenster gross", textLayout(0)},
    };
    for (const auto &[entry, happened] : cases) {
        TestDesktop desk;
        OpenedUrls opened;
        writeOptions(desk, "optionen.txt", " 1 \r\n 1 \r\n");
        writeOptions(desk, "optionen2.txt", " 1 \r\n");
        Starter &s = started(desk);
        s.Picture5_Click();
        desk.tray.choose = QString::fromUtf8(entry);
        desk.tray.click(WM_RBUTTONUP);
        EXPECT_TRUE(happened(desk, s, opened)) << entry;
        EXPECT_EQ(desk.endCount, 0) << entry;
    }
}

TEST(StarterEnd, EveryWayOutRemovesTheIconLeavesTheChainAndAsksNothing)
{
    const std::pair<const char *, std::function<void(TestDesktop &, Starter &)>> cases[] = {
        {"Ende", [](TestDesktop &d, Starter &) {
             d.tray.choose = QStringLiteral("Ende");
             d.tray.click(WM_RBUTTONUP);
         }},
        {"Exit label", [](TestDesktop &, Starter &s) { s.Label3_Click(); }},
        {"Exit picture", [](TestDesktop &, Starter &s) { s.Picture3_Click(); }},
        {"close box", [](TestDesktop &, Starter &s) { s.close(); }},
        {"session end", [](TestDesktop &, Starter &s) { s.Unload(vbAppWindows); }},
        {"task manager", [](TestDesktop &, Starter &s) { s.Unload(vbAppTaskManager); }},
        {"owner closing", [](TestDesktop &, Starter &s) { s.Unload(vbFormOwner); }},
    };
    for (const auto &[name, leave] : cases) {
        TestDesktop desk;
        Starter &s = started(desk);
        s.Picture2_Click(); // text store, viewer window, icon
        s.startfenster1_Click();
        // Changed options would be offered for saving if a store closed.
        s.Check1->setValue(1);
        s.Check2->setValue(1);
        QStringList log;
        desk.tray.onRemove = [&] { log << QStringLiteral("icon removed"); };
        desk.forms->addEndStep([&] { log << QStringLiteral("viewers: %1").arg(user32::GetClipboardViewer()); });
        desk.forms->setEndHandler([&] { log << QStringLiteral("end"); });

        leave(desk, s);
        EXPECT_EQ(log, QStringList({"icon removed", "viewers: 0", "end"})) << name;
        EXPECT_TRUE(desk.messages.calls.empty()) << name;
        // The store's own close step never ran.
        EXPECT_NE(desk.forms->find<Textform>(), nullptr) << name;
        EXPECT_TRUE(s.isUnloaded() && !s.isVisible()) << name;
    }
}

TEST(StarterNoTray, WithoutANotificationAreaTheSelectorStaysInSight)
{
    TestDesktop desk;
    desk.tray.host = false;
    Starter &s = started(desk);
    s.Label2_Click();
    EXPECT_TRUE(desk.forms->find<Textform>()->isVisible());
    EXPECT_TRUE(s.isVisible() && s.menuBarVisible() && desk.tray.taskVisible());
    // The icon is kept for a host that may still come.
    EXPECT_EQ(desk.tray.icons.size(), 1u);
}

TEST(StarterNoTray, WhenTheHostGoesAwayTheSelectorComesBack)
{
    TestDesktop desk;
    Starter &s = started(desk);
    s.Picture5_Click();
    ASSERT_FALSE(s.isVisible());
    desk.tray.setHost(false);
    EXPECT_TRUE(s.isVisible() && s.menuBarVisible());
    desk.tray.setHost(true);
    s.Picture5_Click();
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(desk.tray.icons.size(), 1u);
}

