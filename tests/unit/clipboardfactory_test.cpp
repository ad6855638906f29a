// The clipboard chosen at start and the route the log names: where no
// compositor offers data control, the program keeps to the route it had.

#include "platform/clipboard/clipboardfactory.h"
#include "platform/clipboard/qtclipboard.h"
#include "platform/clipboard/waylandsession.h"
#include "support/logcapture.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ClipboardFactory, WithoutDataControlTheRouteStaysAndTheLogSaysWhy)
{
    const char *vars[] = {"WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "XDG_CURRENT_DESKTOP", "XDG_RUNTIME_DIR"};
    QByteArray before[std::size(vars)];
    for (size_t i = 0; i < std::size(vars); ++i)
        before[i] = qgetenv(vars[i]);
    const QTemporaryDir runtime; // no compositor's socket in it
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    qputenv("XDG_CURRENT_DESKTOP", "KDE");
    const struct {
        const char *display, *session;
        QStringList said;
        QString told; // what the user hears once: Wayland copies go unseen, and why
    } rows[] = {
        {"", "x11", {QStringLiteral("clipboard route: Qt's clipboard")}, {}},
        {"/nonexistent/wayland-9", "wayland",
         {QStringLiteral("no Wayland data control: no connection to the compositor: No such file or directory"),
          QStringLiteral("clipboard route: Qt's clipboard")},
         QStringLiteral("(Wayland-Sitzung, Desktop: KDE). Unter WAYLAND_DISPLAY=/nonexistent/wayland-9 antwortet kein")},
    };
    for (const auto &r : rows) {
        *r.display ? qputenv("WAYLAND_DISPLAY", r.display) : qunsetenv("WAYLAND_DISPLAY");
        qputenv("XDG_SESSION_TYPE", r.session);
        const LogCapture log;
        QStringList notices;
        const std::unique_ptr<Clipboard> clipboard = makeClipboard();
        QObject::connect(clipboard.get(), &Clipboard::notice, [&](const QString &t) { notices << t; });
        QCoreApplication::processEvents();
        EXPECT_NE(dynamic_cast<QtClipboard *>(clipboard.get()), nullptr) << r.display;
        EXPECT_EQ(log.texts(QStringLiteral("merkolo.clipboard"), QtInfoMsg), r.said) << r.display;
        EXPECT_EQ(notices.size(), r.told.isEmpty() ? 0 : 1) << r.display;
        EXPECT_TRUE(notices.join(QString()).contains(r.told)) << notices.join(QString()).toStdString();
    }
    for (size_t i = 0; i < std::size(vars); ++i)
        before[i].isNull() ? qunsetenv(vars[i]) : qputenv(vars[i], before[i]);
}

// Copies made in Wayland programs that the program cannot see are named
// once, with the desktop and the way out; not where they are seen.
TEST(ClipboardFactory, UnseenWaylandCopiesAreNamedWithTheDesktopAndTheWayOut)
{
    const struct {
        WaylandSession session;
        bool dataControl;
        QString says; // a part of the word; empty: no word
        bool reached = true;
    } rows[] = {
        {{}, false, {}},
        {{QStringLiteral("x11"), {}, false, QStringLiteral("KDE")}, false, {}},
        {{QStringLiteral("wayland"), {}, false, QStringLiteral("sway")}, false, QStringLiteral("ohne WAYLAND_DISPLAY")},
        {{{}, {}, true, QStringLiteral("KDE")}, false, QStringLiteral("ohne WAYLAND_DISPLAY")},
        {{QStringLiteral("wayland"), QStringLiteral("wayland-1"), false, QStringLiteral("KDE")}, false,
         QStringLiteral("keine Datenkontrolle")},
        {{QStringLiteral("wayland"), QStringLiteral("wayland-1"), false, QStringLiteral("KDE")}, true, {}},
        {{QStringLiteral("wayland"), QStringLiteral("wayland-7"), false, QStringLiteral("KDE")}, false,
         QStringLiteral("WAYLAND_DISPLAY=wayland-7 antwortet kein"), false},
        {{QStringLiteral("wayland"), {}, false, QStringLiteral("ubuntu:GNOME")}, false, {}},
        {{QStringLiteral("wayland"), {}, false, {}}, false, QStringLiteral("unbekannter Desktop")},
    };
    for (const auto &r : rows) {
        const QString word = unseenCopiesNotice(r.session, r.dataControl, r.reached);
        SCOPED_TRACE(r.session.desktop.toStdString() + " " + r.session.sessionType.toStdString() + ": " + word.toStdString());
        EXPECT_EQ(word.isEmpty(), r.says.isEmpty());
        EXPECT_TRUE(word.contains(r.says));
        EXPECT_TRUE(word.isEmpty() || word.contains(r.session.desktopName()));
    }
}
