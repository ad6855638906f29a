// The selector window: its controls, start-up, opening the stores, the way
// to the notification area and back, and every way the program ends.

#include "support/testdesktop.h"

#include "capture/Zwischablage.h"
#include "imagestore/Formbilder.h"
#include "shell/Starter.h"
#include "textstore/Textform.h"
#include "winutil/twips.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// Catches what the program hands to the desktop to open.
class OpenedUrls : public QObject
{
    Q_OBJECT
public:
    OpenedUrls() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~OpenedUrls() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls << url; }
};

Starter &started(TestDesktop &desk)
{
    Starter &s = desk.forms->get<Starter>();
    s.Show();
    return s;
}

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

QString helpPath(TestDesktop &desk)
{
    return QDir(desk.roots.current).filePath(QStringLiteral("mk-hilfe/index.html"));
}

const QStringList kMenu = {"Hilfe Fenster",
                           "-",
                           "Bilder+Zwischenablage-Leeren",
                           "-",
                           "Bilder-Speicher",
                           "-",
                           "Text-Speicher Fenster klein",
                           "Text-Speicher Fenster gross",
                           "-",
                           "Startfenster",
                           "Ende"};

} // namespace

TEST(StarterWindow, HasItsCaptionSizeAndControlsWhereTheyBelong)
{
    TestDesktop desk;
    Starter &s = started(desk);
    EXPECT_EQ(s.Caption(), QStringLiteral("Merkolo-Auswahl: Quenta"));
    EXPECT_EQ(s.ScaleWidth(), 6345);
    EXPECT_EQ(s.ScaleHeight(), 750);
    EXPECT_FALSE(s.windowIcon().isNull());

    const QString trayTip = QStringLiteral(
        "Programm siehe rechter Bildschirmrand  unten, Icon: Doppelcklick oder rechte  Maus Menu !");
    struct Visible {
        QWidget *control;
        twips::Rect at;
        QString tip;
    };
    const Visible visible[] = {
        {s.Picture6, {120, 0, 375, 375}, "Hilfe Fenster"},
        {s.Picture1, {800, 0, 495, 495}, "Bilder-Speicher-Liste öffnen"},
        {s.Label1, {0, 510, 1935, 255}, "Bilder-Speicher-Liste öffnen"},
        {s.Picture2, {2640, 0, 615, 495}, "Text-Speicher-Liste öffnen"},
        {s.Label2, {2040, 510, 1695, 255}, "Text-Speicher-Liste öffnen"},
        {s.Picture5, {4080, -5, 1215, 550}, trayTip},
        {s.Label4, {3960, 510, 1575, 255}, trayTip},
        {s.Picture3, {5880, 0, 495, 495}, "Exit, Ende Programm !"},
        {s.Label3, {5760, 510, 615, 255}, "Exit, Ende Programm !"},
    };
    for (const Visible &v : visible) {
        EXPECT_EQ(twips::of(v.control), v.at) << plainToolTip(v.control).toStdString();
        EXPECT_EQ(plainToolTip(v.control), v.tip);
        EXPECT_TRUE(v.control->isVisibleTo(&s));
    }
    EXPECT_EQ(s.Label1->text(), QStringLiteral("Bilder-Speicher-Liste"));
    EXPECT_EQ(s.Label2->text(), QStringLiteral("Text-Speicher-Liste"));
    EXPECT_EQ(s.Label4->text(), QStringLiteral("Icon rechts unten"));
    EXPECT_EQ(s.Label3->text(), QStringLiteral("Exit"));
    for (PictureBox *p : {s.Picture6, s.Picture1, s.Picture2, s.Picture5, s.Picture3})
        EXPECT_TRUE(p->hasPicture());
    EXPECT_EQ(s.Picture6->Picture().size(), QSize(23, 23));
    EXPECT_EQ(s.Picture5->Picture().size(), QSize(78, 36));
    // The hand pointer everywhere but on the exit picture.
    EXPECT_EQ(s.Picture1->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(s.Label3->cursor().shape(), Qt::BitmapCursor);
    EXPECT_NE(s.Picture3->cursor().shape(), Qt::BitmapCursor);

    struct Hidden {
        QWidget *control;
        twips::Rect at;
        QString caption;
    };
    const Hidden hidden[] = {
        {s.Picture4, {1320, 840, 375, 315}, ""},        {s.Check1, {1320, 1680, 1095, 255}, "Check1"},
        {s.Check2, {1320, 2280, 1095, 375}, "Check2"},  {s.Command2, {2520, 1680, 1215, 375}, "lese"},
        {s.Command6, {3840, 1680, 615, 375}, "2"},      {s.Command3, {360, 1680, 975, 495}, "speicher"},
        {s.Command4, {240, 2280, 1095, 375}, "speichern2"}, {s.Command5, {2520, 2280, 1215, 375}, "lesen2"},
    };
    for (const Hidden &h : hidden) {
        EXPECT_EQ(twips::of(h.control), h.at) << h.caption.toStdString();
        // Below the client area: never seen, never reached with the keyboard.
        EXPECT_GE(h.control->mapTo(&s, QPoint(0, 0)).y(), s.height());
        if (auto *b = qobject_cast<QAbstractButton *>(h.control)) {
            EXPECT_EQ(b->text(), h.caption);
            EXPECT_EQ(b->focusPolicy(), Qt::NoFocus);
        }
    }
    EXPECT_EQ(s.Check1->Value(), 0);
    EXPECT_EQ(s.Check2->Value(), 0);
}

TEST(StarterWindow, TheMenuHasEveryEntryWithItsShortcut)
{
    TestDesktop desk;
    Starter &s = started(desk);
    EXPECT_EQ(s.mnBar->title(), QStringLiteral("Menu"));
    QStringList entries;
    for (QAction *a : s.mnBar->actions())
        entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(entries, kMenu);
    EXPECT_EQ(s.hilfefenster1->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_TRUE(s.zwischenablageleeren->shortcut().isEmpty());
    EXPECT_EQ(s.mnMsgShow->shortcut(), QKeySequence(QStringLiteral("Ctrl+B")));
    EXPECT_EQ(s.mnBeep->shortcut(), QKeySequence(QStringLiteral("Ctrl+T")));
    EXPECT_EQ(s.mnNix->shortcut(), QKeySequence(QStringLiteral("Ctrl+G")));
    EXPECT_EQ(s.startfenster1->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(s.mnExit->shortcut(), QKeySequence(QStringLiteral("Ctrl+E")));
    for (QAction *sep : {s.leer4, s.leer3, s.leer, s.leer1})
        EXPECT_TRUE(sep->isSeparator());
}

TEST(StarterStartUp, NothingButTheSelectorExistsAndNothingIsCaptured)
{
    TestDesktop desk;
    Starter &s = started(desk);
    EXPECT_TRUE(s.isVisible());
    EXPECT_FALSE(s.menuBarVisible());
    EXPECT_EQ(desk.forms->find<Textform>(), nullptr);
    EXPECT_EQ(desk.forms->find<Formbilder>(), nullptr);
    EXPECT_EQ(desk.forms->find<Zwischablage>(), nullptr);
    EXPECT_EQ(user32::GetClipboardViewer(), 0u);
    EXPECT_TRUE(desk.tray.icons.empty());
    desk.clipboard.setFromOutside(QStringLiteral("kopiert"));
    EXPECT_EQ(desk.beeper.count, 0);
    EXPECT_EQ(desk.forms->find<Textform>(), nullptr);
}

TEST(StarterStores, OpeningTheImageStoreShowsItReadsItsOptionsThenGoesToTheTray)
{
    TestDesktop desk;
    Starter &s = started(desk);
    writeFile(desk.roots.program + "/einstellung/optionen.txt", " 1 \r\n 2 \r\n");
    struct AtAdd {
        bool storeShown;
        int autoMouse;
        int automatic;
        bool selectorShown;
    };
    std::vector<AtAdd> atAdd;
    desk.tray.onAdd = [&] {
        Formbilder *fb = desk.forms->find<Formbilder>();
        atAdd.push_back({fb && fb->isVisible(), fb ? fb->Check4->Value() : -1, fb ? fb->Check1->Value() : -1,
                         s.isVisible()});
    };
    s.Picture1_Click();
    ASSERT_EQ(atAdd.size(), 1u);
    EXPECT_TRUE(atAdd[0].storeShown);
    EXPECT_EQ(atAdd[0].autoMouse, 1);
    EXPECT_EQ(atAdd[0].automatic, 2);
    EXPECT_FALSE(atAdd[0].selectorShown);
    EXPECT_FALSE(s.isVisible());
    EXPECT_FALSE(desk.tray.taskVisible());
    EXPECT_EQ(desk.tray.icons.begin()->second.tip, QStringLiteral("Merkolo"));

    // Again, and once more to the tray: the options are read again, the icon stays one.
    Formbilder &fb = desk.forms->get<Formbilder>();
    fb.Check4->setValue(0);
    fb.Check1->setValue(0);
    s.Label1_Click();
    s.Label4_Click();
    EXPECT_EQ(fb.Check4->Value(), 1);
    EXPECT_EQ(fb.Check1->Value(), 2);
    EXPECT_EQ(desk.tray.adds, 1);
    EXPECT_EQ(desk.tray.icons.size(), 1u);
}

TEST(StarterStores, OpeningTheTextStoreStartsCaptureAndGoesToTheTray)
{
    TestDesktop desk;
    Starter &s = started(desk);
    writeFile(desk.roots.program + "/einstellung/optionen2.txt", " 1 \r\n");
    s.Label2_Click();
    Textform *tf = desk.forms->find<Textform>();
    ASSERT_NE(tf, nullptr);
    EXPECT_TRUE(tf->isVisible());
    EXPECT_EQ(tf->Check1->Value(), 1);
    EXPECT_NE(user32::GetClipboardViewer(), 0u);
    EXPECT_FALSE(s.isVisible());
    EXPECT_EQ(desk.tray.icons.size(), 1u);

    desk.clipboard.setFromOutside(QStringLiteral("erster Text"));
    ASSERT_EQ(tf->List1[0]->ListCount(), 1);
    EXPECT_EQ(tf->List1[0]->List(0), QStringLiteral("erster Text"));
}

TEST(StarterStores, EveryVisibleControlDoesItsJobWhenClicked)
{
    struct Case {
        const char *name;
        QWidget *(*control)(Starter &);
        std::function<bool(TestDesktop &, Starter &, OpenedUrls &)> happened;
    };
    auto imageShown = [](TestDesktop &d, Starter &s, OpenedUrls &) {
        return d.forms->find<Formbilder>() && d.forms->find<Formbilder>()->isVisible() && !s.isVisible();
    };
    auto textShown = [](TestDesktop &d, Starter &s, OpenedUrls &) {
        return d.forms->find<Textform>() && d.forms->find<Textform>()->isVisible() && !s.isVisible();
    };
    auto inTray = [](TestDesktop &d, Starter &s, OpenedUrls &) {
        return d.tray.icons.size() == 1 && !s.isVisible() && !d.forms->find<Textform>();
    };
    auto ended = [](TestDesktop &d, Starter &, OpenedUrls &) { return d.endCount == 1; };
    auto help = [](TestDesktop &d, Starter &s, OpenedUrls &u) {
        return u.urls == QList<QUrl>{QUrl::fromLocalFile(helpPath(d))} && s.isVisible();
    };
    const Case cases[] = {
        {"Picture6", [](Starter &s) -> QWidget * { return s.Picture6; }, help},
        {"Picture1", [](Starter &s) -> QWidget * { return s.Picture1; }, imageShown},
        {"Label1", [](Starter &s) -> QWidget * { return s.Label1; }, imageShown},
        {"Picture2", [](Starter &s) -> QWidget * { return s.Picture2; }, textShown},
        {"Label2", [](Starter &s) -> QWidget * { return s.Label2; }, textShown},
        {"Picture5", [](Starter &s) -> QWidget * { return s.Picture5; }, inTray},
        {"Label4", [](Starter &s) -> QWidget * { return s.Label4; }, inTray},
        {"Picture3", [](Starter &s) -> QWidget * { return s.Picture3; }, ended},
        {"Label3", [](Starter &s) -> QWidget * { return s.Label3; }, ended},
    };
    for (const Case &c : cases) {
        TestDesktop desk;
        OpenedUrls opened;
        Starter &s = started(desk);
        QTest::mouseClick(c.control(s), Qt::LeftButton);
        EXPECT_TRUE(c.happened(desk, s, opened)) << c.name;
    }
}

TEST(StarterTray, MouseMessagesOfTheIcon)
{
    struct Case {
        int message;
        bool shows;
        bool popsUp;
    };
    const Case cases[] = {{512, false, false}, {513, false, false}, {514, false, false}, {515, true, false},
                          {516, false, false}, {517, false, true},  {518, true, false},  {519, false, false}};
    for (const Case &c : cases) {
        TestDesktop desk;
        Starter &s = started(desk);
        s.Picture5_Click();
        ASSERT_FALSE(s.isVisible());
        ASSERT_FALSE(desk.tray.taskVisible());
        ASSERT_FALSE(s.menuBarVisible());
        desk.tray.click(c.message);
        EXPECT_EQ(s.isVisible(), c.shows) << c.message;
        EXPECT_EQ(desk.tray.popUps.size(), c.popsUp ? 1u : 0u) << c.message;
        // Whatever the message: task-list entry and menu bar come back.
        EXPECT_TRUE(desk.tray.taskVisible()) << c.message;
        EXPECT_TRUE(s.menuBarVisible()) << c.message;
        EXPECT_EQ(desk.tray.icons.size(), 1u) << c.message;
        if (c.popsUp) {
            EXPECT_EQ(desk.tray.popUps.front(), kMenu);
        }
    }
}

TEST(StarterTray, TheMessageNumberIsTheTwipsPositionInPixelsRoundedHalfToEven)
{
    TestDesktop desk;
    Starter &s = started(desk);
    s.Picture5_Click();
    const double tpp = twips::perPixelX();
    s.Picture4_MouseMove(0, 0, 516.5 * tpp, 0); // 516: nothing
    EXPECT_FALSE(s.isVisible());
    s.Picture4_MouseMove(0, 0, 517.5 * tpp, 0); // 518: show
    EXPECT_TRUE(s.isVisible());
}

TEST(StarterTray, AClickOnTheIconWhileTheMenuIsOpenOpensNoSecondMenu)
{
    TestDesktop desk;
    Starter &s = started(desk);
    s.Picture5_Click();
    desk.tray.whileOpen = [&] { desk.tray.click(WM_RBUTTONUP); };
    desk.tray.click(WM_RBUTTONUP);
    EXPECT_EQ(desk.tray.popUps.size(), 1u);
    // Closed, the menu opens again.
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

TEST(StarterTray, TheMenuBarShowsOnlyAfterTheIconWasTouched)
{
    TestDesktop desk;
    Starter &s = started(desk);
    const int plainHeight = s.height();
    s.Picture5_Click();
    desk.tray.click(WM_LBUTTONDBLCLK);
    ASSERT_TRUE(s.isVisible());
    EXPECT_TRUE(s.menuBarVisible());
    // The bar sits above the client area, which keeps its size and its controls.
    EXPECT_GT(s.height(), plainHeight);
    EXPECT_EQ(s.Picture1->mapTo(&s, QPoint(0, 0)).y(), s.height() - plainHeight);
    s.Label4_Click();
    EXPECT_FALSE(s.menuBarVisible());
    EXPECT_FALSE(desk.tray.taskVisible());
}

TEST(StarterTray, ShortcutsWorkWhileTheMenuBarShows)
{
    TestDesktop desk;
    OpenedUrls opened;
    Starter &s = started(desk);
    s.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&s));
    QTest::keyClick(&s, Qt::Key_F1);
    EXPECT_TRUE(opened.urls.isEmpty());

    s.Picture5_Click();
    desk.tray.click(WM_LBUTTONDBLCLK);
    s.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&s));
    QTest::keyClick(&s, Qt::Key_F1);
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(helpPath(desk))});
    QTest::keyClick(&s, Qt::Key_B, Qt::ControlModifier);
    EXPECT_TRUE(desk.forms->find<Formbilder>() && desk.forms->find<Formbilder>()->isVisible());
}

TEST(StarterTray, MenuEntriesReachTheStoresWithoutReadingOptions)
{
    struct Case {
        const char *entry;
        std::function<bool(TestDesktop &, Starter &)> happened;
    };
    const Case cases[] = {
        {"Startfenster", [](TestDesktop &d, Starter &s) { return s.isVisible() && d.tray.icons.size() == 1; }},
        {"Bilder-Speicher",
         [](TestDesktop &d, Starter &s) {
             Formbilder *fb = d.forms->find<Formbilder>();
             return fb && fb->isVisible() && fb->Check4->Value() == 0 && !s.isVisible();
         }},
        {"Bilder+Zwischenablage-Leeren",
         [](TestDesktop &d, Starter &) {
             Formbilder *fb = d.forms->find<Formbilder>();
             return fb && !fb->isVisible();
         }},
        {"Text-Speicher Fenster klein",
         [](TestDesktop &d, Starter &) {
             Textform *tf = d.forms->find<Textform>();
             return tf && tf->isVisible() && tf->Check2->Value() == 1 && tf->Check1->Value() == 0;
         }},
        {"Text-Speicher Fenster gross",
         [](TestDesktop &d, Starter &) {
             Textform *tf = d.forms->find<Textform>();
             return tf && tf->isVisible() && tf->Check2->Value() == 0 && tf->Check1->Value() == 0;
         }},
    };
    for (const Case &c : cases) {
        TestDesktop desk;
        writeFile(desk.roots.program + "/einstellung/optionen.txt", " 1 \r\n 1 \r\n");
        writeFile(desk.roots.program + "/einstellung/optionen2.txt", " 1 \r\n");
        Starter &s = started(desk);
        s.Picture5_Click();
        desk.tray.choose = QString::fromUtf8(c.entry);
        desk.tray.click(WM_RBUTTONUP);
        EXPECT_TRUE(c.happened(desk, s)) << c.entry;
        EXPECT_EQ(desk.endCount, 0) << c.entry;
    }
}

TEST(StarterTray, TheHelpEntryOpensTheHelpPageRelativeToTheCurrentDirectory)
{
    TestDesktop desk;
    OpenedUrls opened;
    Starter &s = started(desk);
    s.Picture5_Click();
    desk.tray.choose = QStringLiteral("Hilfe Fenster");
    desk.tray.click(WM_RBUTTONUP);
    EXPECT_EQ(opened.urls, QList<QUrl>{QUrl::fromLocalFile(helpPath(desk))});
}

TEST(StarterEnd, EveryWayOutRemovesTheIconLeavesTheChainAndAsksNothing)
{
    struct Case {
        const char *name;
        std::function<void(TestDesktop &, Starter &)> leave;
    };
    const Case cases[] = {
        {"Ende", [](TestDesktop &d, Starter &) {
             d.tray.choose = QStringLiteral("Ende");
             d.tray.click(WM_RBUTTONUP);
         }},
        {"Exit label", [](TestDesktop &, Starter &s) { s.Label3_Click(); }},
        {"Exit picture", [](TestDesktop &, Starter &s) { s.Picture3_Click(); }},
        {"close box", [](TestDesktop &, Starter &s) { s.close(); }},
        {"task manager", [](TestDesktop &, Starter &s) { s.Unload(vbAppTaskManager); }},
        {"owner closing", [](TestDesktop &, Starter &s) { s.Unload(vbFormOwner); }},
        {"session end", [](TestDesktop &, Starter &s) { s.Unload(vbAppWindows); }},
    };
    for (const Case &c : cases) {
        TestDesktop desk;
        Starter &s = started(desk);
        s.Picture2_Click(); // text store, viewer window, icon
        s.startfenster1_Click();
        // Changed options would be offered for saving if the store closed.
        s.Check2->setValue(1);
        s.Check1->setValue(1);
        ASSERT_NE(user32::GetClipboardViewer(), 0u);
        QStringList log;
        desk.tray.onRemove = [&] { log << QStringLiteral("icon removed"); };
        desk.forms->addEndStep([&] {
            log << (user32::GetClipboardViewer() == 0 ? QStringLiteral("chain left") : QStringLiteral("chain kept"));
        });
        desk.forms->setEndHandler([&] { log << QStringLiteral("end"); });

        c.leave(desk, s);
        EXPECT_EQ(log, QStringList({"icon removed", "chain left", "end"})) << c.name;
        EXPECT_TRUE(desk.tray.icons.empty()) << c.name;
        EXPECT_TRUE(desk.messages.calls.empty()) << c.name;
        // The store's own close step never ran: it is still there, unasked.
        EXPECT_NE(desk.forms->find<Textform>(), nullptr) << c.name;
        EXPECT_FALSE(s.isVisible()) << c.name;
        EXPECT_TRUE(s.isUnloaded()) << c.name;
    }
}

TEST(StarterEnd, EndingWithoutAnIconStillEnds)
{
    TestDesktop desk;
    Starter &s = started(desk);
    s.Label3_Click();
    EXPECT_EQ(desk.endCount, 1);
    EXPECT_EQ(desk.tray.removes, 0);
}

TEST(StarterNoTray, WithoutANotificationAreaTheSelectorStaysInSight)
{
    TestDesktop desk;
    desk.tray.host = false;
    Starter &s = started(desk);
    s.Label2_Click();
    EXPECT_TRUE(desk.forms->find<Textform>()->isVisible());
    EXPECT_TRUE(s.isVisible());
    EXPECT_TRUE(s.menuBarVisible());
    EXPECT_TRUE(desk.tray.taskVisible());
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
    EXPECT_TRUE(s.isVisible());
    EXPECT_TRUE(s.menuBarVisible());
    desk.tray.setHost(true);
    EXPECT_TRUE(s.isVisible());
    EXPECT_EQ(desk.tray.icons.size(), 1u);
    // Back to the tray once a host is there again.
    s.Picture5_Click();
    EXPECT_FALSE(s.isVisible());
}

#include "starter_test.moc"
