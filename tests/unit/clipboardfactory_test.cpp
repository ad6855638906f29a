// The clipboard chosen at start and the route the log names: where no
// compositor offers data control, the program keeps to the route it had.

#include "platform/clipboard/clipboardfactory.h"
#include "platform/clipboard/qtclipboard.h"
#include "support/logcapture.h"

#include <gtest/gtest.h>

TEST(ClipboardFactory, WithoutDataControlTheRouteStaysAndTheLogSaysWhy)
{
    const QByteArray before = qgetenv("WAYLAND_DISPLAY");
    const struct {
        const char *display;
        QStringList said;
    } rows[] = {
        {"", {QStringLiteral("clipboard route: Qt's clipboard")}},
        {"/nonexistent/wayland-9",
         {QStringLiteral("no Wayland data control: no connection to the compositor: No such file or directory"),
          QStringLiteral("clipboard route: Qt's clipboard")}},
    };
    for (const auto &r : rows) {
        *r.display ? qputenv("WAYLAND_DISPLAY", r.display) : qunsetenv("WAYLAND_DISPLAY");
        const LogCapture log;
        EXPECT_NE(dynamic_cast<QtClipboard *>(makeClipboard().get()), nullptr) << r.display;
        EXPECT_EQ(log.texts(QStringLiteral("merkolo.clipboard"), QtInfoMsg), r.said) << r.display;
    }
    before.isNull() ? qunsetenv("WAYLAND_DISPLAY") : qputenv("WAYLAND_DISPLAY", before);
}
