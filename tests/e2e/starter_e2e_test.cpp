// The real program on an X11 desktop with a window manager and a tray host:
// the selector window, the way to the notification area and back, the
// icon's menu and the end of the program.

#include "program.h"
#include "support/qtprint.h"
#include "x11.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using e2e::Program;

namespace {

const QString kSelector = QStringLiteral("Merkolo-Auswahl: Quenta");
const QString kTextStore = QStringLiteral("Merkolo-Text");

// Centre of a control given in twips on a 96-dpi screen, inside a client area.
QPoint atTwips(const QRect &client, int left, int top, int width, int height)
{
    return client.topLeft() + QPoint((left + width / 2) / 15, (top + height / 2) / 15);
}

class StarterE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!x11::available())
            GTEST_SKIP() << "needs the X11 desktop of scripts/xdesktop";
    }
    void TearDown() override { x11::stopClipboardOwners(); }

    // Starts the program and waits for the selector window.
    QRect startSelector(Program &program)
    {
        std::optional<QRect> selector;
        EXPECT_TRUE(x11::waitUntil([&] { return (selector = e2e::visibleWindow(kSelector)).has_value(); }, 15000))
            << "the selector window shows";
        EXPECT_TRUE(program.running());
        return selector.value_or(QRect());
    }

    // Clicks "Text-Speicher-Liste" and waits for the text store and the icon.
    QRect openTextStore(const QRect &selector)
    {
        e2e::click(atTwips(selector, 2040, 510, 1695, 255));
        std::optional<QRect> icon;
        EXPECT_TRUE(x11::waitUntil([&] {
            return e2e::visibleWindow(kTextStore) && !e2e::visibleWindow(kSelector)
                   && (icon = e2e::trayIcon()).has_value();
        }, 10000));
        return icon.value_or(QRect());
    }
};

} // namespace

TEST_F(StarterE2E, StartsCentredGoesToTheTrayAndEndsFromTheIconMenu)
{
    Program program;
    const QRect selector = startSelector(program);
    ASSERT_FALSE(selector.isNull());
    EXPECT_EQ(selector.size(), QSize(6345 / 15, 750 / 15));
    const QRect screen = e2e::screen();
    // Centred, give or take the window manager's frame.
    EXPECT_LE(std::abs(selector.center().x() - screen.center().x()), 4);
    EXPECT_LE(std::abs(selector.center().y() - screen.center().y()), 20);
    EXPECT_FALSE(e2e::trayIcon().has_value());

    const QRect icon = openTextStore(selector);
    ASSERT_FALSE(icon.isNull());

    e2e::click(icon.center(), 3);
    std::optional<QRect> menu;
    ASSERT_TRUE(x11::waitUntil([&] { return (menu = e2e::popUpMenu()).has_value(); }, 10000));
    // "Ende" is the last entry.
    e2e::click(QPoint(menu->center().x(), menu->bottom() - 12));

    const std::optional<int> exitCode = program.waitForEnd(15000);
    ASSERT_TRUE(exitCode.has_value());
    EXPECT_EQ(*exitCode, 0);
    EXPECT_FALSE(e2e::trayIcon().has_value());

    // The clipboard still works between other programs.
    x11::setClipboardText(QStringLiteral("nach dem Ende"));
    EXPECT_EQ(x11::readClipboard(), QByteArray("nach dem Ende"));
}

TEST_F(StarterE2E, ADoubleClickOnTheIconBringsTheSelectorBackWhereItWas)
{
    Program program;
    const QRect before = startSelector(program);
    ASSERT_FALSE(before.isNull());
    const QRect icon = openTextStore(before);
    ASSERT_FALSE(icon.isNull());
    // Out of the task list, as the window manager sees it; back in once the icon was touched.
    EXPECT_TRUE(e2e::windowState(kTextStore).value_or(QString()).contains("_NET_WM_STATE_SKIP_TASKBAR"));

    std::optional<QRect> after;
    int bar = 0;
    for (int button : {1, 3}) {
        SCOPED_TRACE(button);
        e2e::click(icon.center(), button, 2);
        // Back, with the menu bar above the unchanged client area.
        ASSERT_TRUE(x11::waitUntil([&] {
            after = e2e::visibleWindow(kSelector);
            return after && after->height() > before.height();
        }, 10000));
        EXPECT_EQ(after->topLeft(), before.topLeft());
        EXPECT_EQ(after->width(), before.width());
        EXPECT_TRUE(x11::waitUntil([&] {
            return !e2e::windowState(kTextStore).value_or(QString()).contains("SKIP_TASKBAR")
                   && !e2e::windowState(kSelector).value_or(QString()).contains("SKIP_TASKBAR");
        }));
        // Neither click of the two opens the icon's menu.
        EXPECT_FALSE(x11::waitUntil([] { return e2e::popUpMenu().has_value(); }, 1000));
        bar = after->height() - before.height();
        if (button == 1) { // "Icon rechts unten" sends it back
            e2e::click(atTwips(after->adjusted(0, bar, 0, 0), 3960, 510, 1575, 255));
            ASSERT_TRUE(x11::waitUntil([] { return !e2e::visibleWindow(kSelector); }, 10000));
        }
    }

    // "Exit" below the menu bar ends the program and takes the icon away.
    e2e::click(atTwips(after->adjusted(0, bar, 0, 0), 5760, 510, 615, 255));
    ASSERT_TRUE(program.waitForEnd(15000).has_value());
    EXPECT_FALSE(e2e::trayIcon().has_value());
}

// At rest, in the tray with its text store open, the program does not wake
// up at all: the tray host announces itself, nothing is polled.
TEST_F(StarterE2E, AtRestTheProgramSleeps)
{
    Program program;
    const QRect selector = startSelector(program);
    ASSERT_FALSE(openTextStore(selector).isNull());
    // Once its start is over: three seconds in a row without a wake-up.
    qint64 count = e2e::wakeUps(program.pid());
    QElapsedTimer quiet;
    quiet.start();
    EXPECT_TRUE(x11::waitUntil([&] {
        if (const qint64 now = e2e::wakeUps(program.pid()); now != std::exchange(count, now))
            quiet.restart();
        return quiet.elapsed() >= 3000;
    }, 15000)) << "it woke up within every three seconds";
}

// Without XDG_RUNTIME_DIR the program picks a private folder for its lock
// and socket without a word, and a second start still finds the first.
TEST_F(StarterE2E, WithoutARuntimeFolderItStartsSilentlyAndOnlyOnce)
{
    QTemporaryDir temp;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    env.insert(QStringLiteral("TMPDIR"), temp.path());
    // The first listens once its socket is there, in the folder it chose.
    const auto listening = [&temp] {
        const QStringList made = QDir(temp.path()).entryList({QStringLiteral("runtime-*")});
        return !made.isEmpty()
               && !QDir(temp.filePath(made[0])).entryList({QStringLiteral("*.socket")}, QDir::System).isEmpty();
    };
    QProcess runs[2];
    for (QProcess &run : runs) {
        run.setProcessEnvironment(env);
        run.start(QStringLiteral(MERKOLO_BINARY), {});
        ASSERT_TRUE(x11::waitUntil(listening, 15000));
    }
    ASSERT_TRUE(runs[1].waitForFinished(15000));
    EXPECT_EQ(runs[1].exitCode(), 0) << "brought the first forward and ended";
    runs[0].kill();
    runs[0].waitForFinished(5000);
    for (QProcess &run : runs)
        EXPECT_FALSE(run.readAllStandardError().contains("XDG_RUNTIME_DIR"));
}

// The icon's menu opens when the right button comes up, as the shell reports
// a right click, never under the held button; twenty-five right clicks in a
// fresh program open twenty-five menus and not the help page, which its own
// entry does open.
TEST_F(StarterE2E, ARightClickOpensTheMenuAtTheReleaseEveryTime)
{
    QTemporaryDir bin;
    const QString opened = bin.filePath(QStringLiteral("opened"));
    QFile open(bin.filePath(QStringLiteral("xdg-open")));
    ASSERT_TRUE(open.open(QIODevice::WriteOnly));
    open.write("#!/bin/sh\necho \"$1\" >> \"$(dirname \"$0\")/opened\"\n");
    open.close();
    open.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), bin.path() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
    Program program(QStringLiteral(MERKOLO_BINARY), env, QFileInfo(QStringLiteral(MERKOLO_BINARY)).absolutePath());
    const QRect icon = openTextStore(startSelector(program));
    ASSERT_FALSE(icon.isNull());
    auto xdotool = [](const QStringList &args) { x11::run(QStringLiteral("xdotool"), args); };
    auto menuShown = [](int ms) { return x11::waitUntil([] { return e2e::popUpMenu().has_value(); }, ms); };

    xdotool({QStringLiteral("mousemove"), QString::number(icon.center().x()), QString::number(icon.center().y()),
             QStringLiteral("mousedown"), QStringLiteral("3")});
    EXPECT_FALSE(menuShown(600)) << "a menu under the held button";
    xdotool({QStringLiteral("mouseup"), QStringLiteral("3")});
    int menus = 0;
    for (int i = 0; i < 25; ++i) {
        if (i > 0)
            e2e::click(icon.center(), 3);
        const bool shown = menuShown(5000);
        xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
        // Counted once it has closed again: a menu left open would count twice.
        menus += shown && x11::waitUntil([] { return !e2e::popUpMenu(); }, 3000);
    }
    EXPECT_EQ(menus, 25);
    EXPECT_FALSE(QFile::exists(opened));

    // "Hilfe Fenster", the first entry, is what opens the page.
    e2e::click(icon.center(), 3);
    std::optional<QRect> menu;
    ASSERT_TRUE(x11::waitUntil([&] { return (menu = e2e::popUpMenu()).has_value(); }, 5000));
    e2e::click(QPoint(menu->center().x(), menu->top() + 12));
    EXPECT_TRUE(x11::waitUntil([&] { return QFile::exists(opened); }, 10000));
}
