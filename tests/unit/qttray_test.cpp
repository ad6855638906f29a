// The real notification area without a host (offscreen): the toolkit's
// activations as the shell's mouse messages, and a notice that still
// reaches the user.

#include "platform/windows/qttray.h"
#include "platform/windows/shell32.h"
#include "support/logcapture.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
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

// The icon's own window: a click is reported once it cannot become a double
// click, so that a right double-click brings the selector and opens no menu.
// A middle press at the end shows what was still held back.
TEST(QtTray, AClickIsReportedOnlyOnceItIsNoDoubleClick)
{
    using T = QEvent::Type;
    const auto R = Qt::RightButton;
    const auto L = Qt::LeftButton;
    const auto M = Qt::MiddleButton;
    const struct {
        std::vector<std::pair<T, Qt::MouseButton>> events;
        std::vector<int> messages;
    } rows[] = {
        {{{T::MouseButtonPress, R}, {T::MouseButtonRelease, R}}, {WM_RBUTTONDOWN, WM_RBUTTONUP}}, // after the interval
        {{{T::MouseButtonPress, R}, {T::MouseButtonRelease, R}, {T::MouseButtonPress, R}, {T::MouseButtonDblClick, R},
          {T::MouseButtonRelease, R}, {T::MouseButtonPress, M}},
         {WM_RBUTTONDOWN, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN}},
        {{{T::MouseButtonPress, L}, {T::MouseButtonRelease, L}, {T::MouseButtonPress, L}, {T::MouseButtonDblClick, L},
          {T::MouseButtonRelease, L}, {T::MouseButtonPress, M}},
         {WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_MBUTTONDOWN}},
        // Two clicks the toolkit made no double-click of (too far apart): two clicks.
        {{{T::MouseButtonPress, R}, {T::MouseButtonRelease, R}, {T::MouseButtonPress, R}, {T::MouseButtonRelease, R},
          {T::MouseButtonPress, M}},
         {WM_RBUTTONDOWN, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_RBUTTONUP, WM_MBUTTONDOWN}},
        // A click of another button in between is no double-click either.
        {{{T::MouseButtonPress, L}, {T::MouseButtonRelease, L}, {T::MouseButtonPress, R}},
         {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN}},
    };
    for (const auto &r : rows) {
        QWidget iconWindow; // what an XEmbed host holds
        iconWindow.setObjectName(QStringLiteral("QSystemTrayIconSys"));
        QtTray tray;
        QPixmap picture(16, 16);
        picture.fill(Qt::blue);
        tray.setIcon(1, QIcon(picture), QStringLiteral("Merkolo"));
        std::vector<int> got;
        QObject::connect(&tray, &TrayService::mouseMessage, [&got](int, int m) { got.push_back(m); });
        for (const auto &[type, button] : r.events) {
            QMouseEvent e(type, QPointF(5, 5), QPointF(5, 5), button,
                          type == T::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
            QCoreApplication::sendEvent(&iconWindow, &e);
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return got.size() >= r.messages.size(); }, QApplication::doubleClickInterval() * 3));
        EXPECT_EQ(got, r.messages) << &r - rows;
    }
}
