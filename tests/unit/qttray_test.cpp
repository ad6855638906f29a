// The real notification area without a host (offscreen): the toolkit's
// activations as the shell's mouse messages, and a notice that still
// reaches the user.

#include "platform/windows/qttray.h"
#include "platform/windows/shell32.h"
#include "support/logcapture.h"

#include <QApplication>
#include <QMessageBox>

#include <gtest/gtest.h>

TEST(QtTray, EachActivationIsTheShellsMouseMessage)
{
    const struct {
        QSystemTrayIcon::ActivationReason reason;
        int message;
    } rows[] = {
        {QSystemTrayIcon::Trigger, WM_LBUTTONUP},         // a left click
        {QSystemTrayIcon::DoubleClick, WM_LBUTTONDBLCLK}, // the selector comes forward
        {QSystemTrayIcon::Context, WM_RBUTTONUP},         // the menu
        {QSystemTrayIcon::MiddleClick, WM_MBUTTONUP},
        {QSystemTrayIcon::Unknown, WM_MOUSEMOVE},
    };
    for (const auto &r : rows)
        EXPECT_EQ(QtTray::mouseMessageOf(r.reason), r.message) << r.reason;
}

// The icon's own window reports each button as the shell does: down, up, double-click.
TEST(QtTray, EachButtonEventOnTheIconIsTheShellsMouseMessage)
{
    const struct {
        QEvent::Type type;
        Qt::MouseButton button;
        int message;
    } rows[] = {
        {QEvent::MouseButtonPress, Qt::RightButton, WM_RBUTTONDOWN},
        {QEvent::MouseButtonRelease, Qt::RightButton, WM_RBUTTONUP}, // the menu, at the release
        {QEvent::MouseButtonDblClick, Qt::RightButton, WM_RBUTTONDBLCLK},
        {QEvent::MouseButtonRelease, Qt::LeftButton, WM_LBUTTONUP},
        {QEvent::MouseButtonDblClick, Qt::LeftButton, WM_LBUTTONDBLCLK},
        {QEvent::MouseButtonPress, Qt::MiddleButton, WM_MBUTTONDOWN},
        {QEvent::MouseButtonRelease, Qt::BackButton, 0},
        {QEvent::MouseMove, Qt::LeftButton, 0},
    };
    for (const auto &r : rows)
        EXPECT_EQ(QtTray::mouseMessageOf(r.type, r.button), r.message) << r.type << " " << r.button;
}

TEST(QtTray, WithoutANotificationAreaANoticeGetsAWindowOfItsOwn)
{
    const LogCapture log;
    QtTray tray;
    ASSERT_FALSE(tray.hostAvailable());
    tray.notify(QStringLiteral("Merkolo"), QStringLiteral("Bild nicht übernommen"));
    QMessageBox *shown = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible())
            shown = box;
    }
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->text(), QStringLiteral("Bild nicht übernommen"));
    EXPECT_FALSE(shown->isModal()) << "it asks nothing and blocks nothing";
    EXPECT_EQ(log.texts(QStringLiteral("merkolo.tray"), QtInfoMsg),
              QStringList({QStringLiteral("no notification area yet"),
                           QStringLiteral("no icon in a notification area: the notice goes into a window of its own")}));
    delete shown;
}
