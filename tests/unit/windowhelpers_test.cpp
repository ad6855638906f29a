// Shell open, transparency and the always-on-top band, alone and from the image store.

#include "support/files.h"
#include "support/openedurls.h"
#include "support/qtprint.h"
#include "support/testdesktop.h"

#include "forms/ModuleTransparent.h"
#include "forms/Modulevordergrund.h"
#include "forms/modMain.h"
#include "imagestore/Formbilder.h"
#include "platform/windows/shell32.h"
#include "platform/windows/swayipc.h"
#include "shell/Starter.h"
#include "textstore/Textform.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <memory>
#include <optional>

#include <signal.h>

namespace {


struct Window {
    QWidget widget;
    HWND hWnd = user32::CreateWindowHandle(&widget);
    ~Window() { user32::DestroyWindowHandle(hWnd); }
};

int alpha(const QWidget &w)
{
    return static_cast<int>(std::lround(w.windowOpacity() * 255));
}

bool layered(HWND h)
{
    return (GetWindowLongA(h, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

bool onTop(const QWidget &w)
{
    return w.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

} // namespace

TEST(Transparency, HalfThenOpaqueLeavesTheWindowNotLayered)
{
    Window w;
    w.widget.show();
    ModuleTransparent::SetTransparency(w.hWnd, 128);
    EXPECT_TRUE(layered(w.hWnd));
    EXPECT_EQ(alpha(w.widget), 128);
    ModuleTransparent::SetTransparency(w.hWnd, 255);
    EXPECT_FALSE(layered(w.hWnd));
    EXPECT_EQ(w.widget.windowOpacity(), 1.0);
    // 255 on a window that is not layered keeps it so, and visible.
    ModuleTransparent::SetTransparency(w.hWnd, 255);
    EXPECT_FALSE(layered(w.hWnd));
    EXPECT_TRUE(w.widget.isVisible());
    EXPECT_EQ(w.widget.windowOpacity(), 1.0);
    // Attributes of a window that is not layered are refused.
    EXPECT_EQ(SetLayeredWindowAttributes(w.hWnd, 0, 10, LWA_ALPHA), 0);
    EXPECT_EQ(w.widget.windowOpacity(), 1.0);
    ModuleTransparent::SetTransparency(w.hWnd, 0);
    EXPECT_EQ(alpha(w.widget), 0);
    // Other extended-style bits survive both ways.
    SetWindowLongA(w.hWnd, GWL_EXSTYLE, GetWindowLongA(w.hWnd, GWL_EXSTYLE) | 0x8);
    ModuleTransparent::SetTransparency(w.hWnd, 255);
    EXPECT_EQ(GetWindowLongA(w.hWnd, GWL_EXSTYLE), 0x8);
}

TEST(Topmost, ShowsAHiddenWindowAndChangesOnlyTheBand)
{
    Window w;
    w.widget.setGeometry(50, 60, 200, 100);
    ASSERT_FALSE(w.widget.isVisible());
    Modulevordergrund::SetTopmost(w.hWnd, true);
    EXPECT_TRUE(w.widget.isVisible());
    EXPECT_TRUE(onTop(w.widget));
    ASSERT_TRUE(w.widget.windowHandle());
    EXPECT_TRUE(w.widget.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));

    Modulevordergrund::SetTopmost(w.hWnd, false);
    EXPECT_FALSE(onTop(w.widget));
    EXPECT_FALSE(w.widget.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(w.widget.isVisible()) << "the band changes without hiding the window";
    EXPECT_EQ(w.widget.size(), QSize(200, 100));
}

TEST(Topmost, RenderingAHiddenWindowDoesNotShowIt)
{
    TestDesktop d;
    Formbilder &f = d.forms->get<Formbilder>();
    f.Check2->setValue(0);
    f.Hide();
    f.grab(); // runs the paint handler with the window hidden
    EXPECT_FALSE(f.isVisible());
    EXPECT_FALSE(onTop(f)) << "the band still follows the check box";
}

TEST(Topmost, ThePaintHandlerFollowsVordergrund)
{
    TestDesktop d;
    Formbilder &f = d.forms->get<Formbilder>();
    f.Show();
    EXPECT_TRUE(onTop(f));
    const int left = f.Left(), top = f.Top();

    QTest::mouseClick(f.Check2, Qt::LeftButton); // untick: hidden, moved, shown, repainted
    EXPECT_TRUE(QTest::qWaitFor([&] { return !onTop(f); }));
    EXPECT_TRUE(f.isVisible());
    QTest::mouseClick(f.Check2, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return onTop(f); }));
    EXPECT_EQ(f.Left(), left);
    EXPECT_EQ(f.Top(), top);
}

TEST(Topmost, TheTextStoreFollowsItsCheckBoxThoughItsControlsCoverIt)
{
    TestDesktop d;
    Textform &t = d.forms->get<Textform>();
    t.Show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return onTop(t); }));
    t.Check3->setValue(0);
    t.Hide();
    t.Show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !onTop(t); }));
}

TEST(Transparency, ImageStoreButtonsAndCheckBox)
{
    TestDesktop d;
    Formbilder &f = d.forms->get<Formbilder>();
    f.Show();
    QTest::mouseClick(f.Check3, Qt::LeftButton);
    EXPECT_EQ(alpha(f), 128);
    QTest::mouseClick(f.Check3, Qt::LeftButton);
    EXPECT_EQ(f.windowOpacity(), 1.0);
    f.Command1_Click();
    EXPECT_EQ(alpha(f), 128);
    f.Command2_Click();
    EXPECT_EQ(f.windowOpacity(), 1.0);
    EXPECT_FALSE(layered(f.hWnd()));
    // Neither option is saved: the options flag stays down.
    EXPECT_EQ(d.forms->get<Starter>().Check1->Value(), 0);
}

TEST(ShellOpen, OpensRelativeToTheCurrentDirectoryUnderTheHourglass)
{
    TestDesktop d;
    OpenedUrls opener;
    Formbilder &f = d.forms->get<Formbilder>();
    const QString page = d.roots.current + QStringLiteral("/mk-hilfe/index.html");
    touch(page);

    modMain::ShellOpen(f.hWnd(), QStringLiteral("mk-hilfe\\index.html"));
    ASSERT_EQ(opener.urls.size(), 1);
    EXPECT_EQ(opener.urls[0], QUrl::fromLocalFile(page));
    EXPECT_EQ(opener.cursors[0], Qt::WaitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    // F1 in the image store opens the same page.
    f.Show();
    QTest::keyClick(f.Text1, Qt::Key_F1);
    ASSERT_EQ(opener.urls.size(), 2);
    EXPECT_EQ(opener.urls[1], QUrl::fromLocalFile(page));

    // A folder opens as well.
    QDir(d.roots.current).mkdir(QStringLiteral("bilder"));
    modMain::ShellOpen(f.hWnd(), QStringLiteral("bilder"));
    ASSERT_EQ(opener.urls.size(), 3);
    EXPECT_EQ(opener.urls[2], QUrl::fromLocalFile(d.roots.current + QStringLiteral("/bilder")));
}

TEST(ShellOpen, WhatCannotBeOpenedIsNotPassedOn)
{
    TestDesktop d;
    OpenedUrls opener;
    Formbilder &f = d.forms->get<Formbilder>();
    modMain::ShellOpen(f.hWnd(), QStringLiteral("mk-hilfe\\index.html")); // missing
    modMain::ShellOpen(f.hWnd(), QStringLiteral("https://example.org/x")); // no web address
    modMain::ShellOpen(f.hWnd(), QString());
    EXPECT_TRUE(opener.urls.isEmpty());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(ShellExecuteA(f.hWnd(), "print", "x", "", "", SW_SHOWNORMAL), SE_ERR_NOASSOC);
}

// What cannot be opened is said in a message of the window naming it: a
// missing page (F1), no program for it, and the desktop's opener (xdg-open)
// ending in an error once the program it started refused to run.
TEST(ShellOpen, WhatCannotBeOpenedIsSaidInAMessageNamingIt)
{
    TestDesktop d;
    Formbilder &f = d.forms->get<Formbilder>();
    const QString page = d.roots.current + QStringLiteral("/mk-hilfe/index.html");
    const QString failed = QStringLiteral("Konnte nicht geöffnet werden: ") + page + QLatin1Char('\n');
    f.Show();
    QTest::keyClick(f.Text1, Qt::Key_F1);
    EXPECT_EQ(d.messages.texts(), QStringList{failed + QStringLiteral("Die Datei oder der Ordner fehlt.")});
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    touch(page);
    shell32::UseOpener([](const QString &, const shell32::Opened &) { return false; });
    modMain::OpenHelp(f.hWnd());
    EXPECT_EQ(d.messages.texts().last(), failed + QStringLiteral("Es ist kein Programm eingerichtet, das es öffnet."));

    // The desktop's own opener, a stand-in for xdg-open on the path that writes what it was asked to open
    // and its process id. Once it has been waited for, what the program has to say about it is said.
    shell32::UseOpener({});
    QTemporaryDir bin;
    const QByteArray path = qgetenv("PATH");
    const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
    const QString asked = bin.filePath(QStringLiteral("asked")), opener = bin.filePath(QStringLiteral("xdg-open"));
    const QString pid = bin.filePath(QStringLiteral("pid"));
    auto ended = [&] {
        const int p = fileContents(pid).trimmed().toInt();
        return p > 0 && ::kill(p, 0) != 0 && errno == ESRCH;
    };
    for (const int code : {0, 4}) {
        d.messages.calls.clear();
        QFile::remove(asked);
        QFile::remove(pid);
        writeFile(opener, "#!/bin/sh\necho $$ >" + QFile::encodeName(pid) + "\nsleep 0.2\nprintf %s \"$1\" >"
                              + QFile::encodeName(asked) + "\nexit " + QByteArray::number(code));
        QFile::setPermissions(opener, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        modMain::OpenHelp(f.hWnd());
        EXPECT_TRUE(d.messages.calls.empty()) << "nothing said while the opener runs";
        ASSERT_TRUE(QTest::qWaitFor(ended, 5000)) << "the opener ran and ended, exit status " << code;
        EXPECT_EQ(d.messages.texts().size(), code ? 1 : 0);
        EXPECT_EQ(fileContents(asked), QUrl::fromLocalFile(page).toEncoded());
    }
    EXPECT_EQ(d.messages.texts().value(0), failed + QStringLiteral("Das Programm, das es anzeigen sollte, ließ sich "
                                                                   "nicht starten oder ist mit einem Fehler beendet worden."));
}

TEST(ShellOpen, AnInstalledProgramFindsWhatTheCurrentDirectoryLacksInItsShareFolder)
{
    TestDesktop d;
    OpenedUrls opener;
    QTemporaryDir share;
    d.roots.shared = share.path();
    Textform &f = d.forms->get<Textform>();
    const QString installed = share.path() + QStringLiteral("/mk-hilfe/index.html");
    touch(installed);
    QDir(share.path()).mkdir(QStringLiteral("bilder"));
    QDir(d.roots.current).mkdir(QStringLiteral("bilder"));

    modMain::ShellOpen(f.hWnd(), QStringLiteral("mk-hilfe\\index.html"));
    modMain::ShellOpen(f.hWnd(), QStringLiteral("bilder")); // in both: the current directory's
    modMain::ShellOpen(f.hWnd(), QStringLiteral("text"));   // in neither
    ASSERT_EQ(opener.urls.size(), 2);
    EXPECT_EQ(opener.urls[0], QUrl::fromLocalFile(installed));
    EXPECT_EQ(opener.urls[1], QUrl::fromLocalFile(d.roots.current + QStringLiteral("/bilder")));

    // A page of the user's own comes first.
    const QString own = d.roots.current + QStringLiteral("/mk-hilfe/index.html");
    touch(own);
    modMain::ShellOpen(f.hWnd(), QStringLiteral("mk-hilfe\\index.html"));
    ASSERT_EQ(opener.urls.size(), 3);
    EXPECT_EQ(opener.urls[2], QUrl::fromLocalFile(own));
}


// Commands to sway go whole over its socket and count as done only when
// every part succeeded; a reply in pieces is waited for, a silent or
// garbled one is a failure, never a hang.
TEST(SwayIpc, ACommandIsDoneOnlyWhenSwaySaysSo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sway-ipc.sock"));
    const QByteArray was = qgetenv("SWAYSOCK");
    const auto restore = qScopeGuard([&] { qputenv("SWAYSOCK", was); });
    qputenv("SWAYSOCK", path.toLocal8Bit());
    QLocalServer server;
    ASSERT_TRUE(server.listen(path));
    const QByteArray ok = R"([{"success":true},{"success":true}])";
    const struct {
        QList<QByteArray> pieces; // written one after another; none: no answer
        bool done;
    } rows[] = {
        {{swayipc::frame(0, ok)}, true},
        {{swayipc::frame(0, ok).left(9), swayipc::frame(0, ok).mid(9)}, true},
        {{swayipc::frame(0, R"([{"success":true},{"success":false,"error":"No matching node."}])")}, false},
        {{swayipc::frame(0, "[]")}, false},
        {{"i3-ipX" + swayipc::frame(0, ok).mid(6)}, false},
        {{}, false},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(&r - rows);
        std::optional<bool> done;
        swayipc::run("[id=7] move absolute position 10 20", [&](bool d) { done = d; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.hasPendingConnections(); }));
        std::unique_ptr<QLocalSocket> peer(server.nextPendingConnection());
        const QByteArray asked = swayipc::frame(0, "[id=7] move absolute position 10 20");
        QByteArray got;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (got += peer->readAll()).size() >= asked.size(); })) << got.toStdString();
        EXPECT_EQ(got, asked);
        for (const QByteArray &piece : r.pieces) {
            peer->write(piece);
            ASSERT_TRUE(peer->waitForBytesWritten(1000));
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return done.has_value(); }, 5000));
        EXPECT_EQ(*done, r.done);
    }
}
