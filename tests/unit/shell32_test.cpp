// The notification record and Shell_NotifyIconA over a fake notification area.

#include "platform/windows/shell32.h"
#include "support/fakeservices.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace {

struct Received {
    HWND hWnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

class NotifyIcon : public ::testing::Test
{
protected:
    void SetUp() override
    {
        user32::ResetDesktop();
        shell32::UseTrayService(&tray);
        target = user32::CreateWindowHandle(nullptr, [this](HWND h, UINT m, WPARAM w, LPARAM l) {
            received.push_back({h, m, w, l});
            return 0;
        });
        QImage img(16, 16, QImage::Format_ARGB32);
        img.fill(Qt::red);
        icon = shell32::CreateIconHandle(QIcon(QPixmap::fromImage(img)));
    }
    void TearDown() override
    {
        shell32::UseTrayService(nullptr);
        shell32::DestroyIconHandle(icon);
        user32::ResetDesktop();
    }
    NOTIFYICONDATA record(UINT id = 1)
    {
        NOTIFYICONDATA d;
        d.cbSize = sizeof(NOTIFYICONDATA);
        d.hWnd = target;
        d.uID = id;
        d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        d.uCallbackMessage = WM_MOUSEMOVE;
        d.hIcon = icon;
        shell32::SetTip(d, QStringLiteral("Merkolo") + QChar(0));
        return d;
    }

    FakeTray tray;
    HWND target = 0;
    HICON icon = 0;
    std::vector<Received> received;
};

} // namespace

TEST(NotifyIconData, TheTipHoldsSixtyFourCharactersAndEndsAtItsNul)
{
    static_assert(offsetof(NOTIFYICONDATA, hIcon) == 20 && offsetof(NOTIFYICONDATA, szTip) == 24);
    NOTIFYICONDATA d;
    shell32::SetTip(d, QStringLiteral("Merkolo") + QChar(0));
    EXPECT_EQ(std::memcmp(d.szTip, "Merkolo\0", 8), 0);
    for (int i = 8; i < 64; ++i)
        EXPECT_EQ(d.szTip[i], ' ') << i;
    EXPECT_EQ(shell32::TipOf(d), QStringLiteral("Merkolo"));

    shell32::SetTip(d, QString(70, QLatin1Char('x')));
    EXPECT_EQ(shell32::TipOf(d), QString(64, QLatin1Char('x')));
    shell32::SetTip(d, QStringLiteral("Größe"));
    EXPECT_EQ(shell32::TipOf(d), QStringLiteral("Größe") + QString(59, QLatin1Char(' ')));
}

TEST_F(NotifyIcon, AddingTwiceLeavesOneIconAndRemovingTakesItAway)
{
    const NOTIFYICONDATA d = record();
    EXPECT_EQ(Shell_NotifyIconA(NIM_ADD, d), 1);
    EXPECT_EQ(Shell_NotifyIconA(NIM_ADD, d), 0);
    EXPECT_EQ(tray.adds, 1);
    ASSERT_EQ(tray.icons.size(), 1u);
    EXPECT_EQ(tray.icons.begin()->second.tip, QStringLiteral("Merkolo"));
    EXPECT_FALSE(tray.icons.begin()->second.icon.isNull());

    EXPECT_EQ(Shell_NotifyIconA(NIM_DELETE, d), 1);
    EXPECT_TRUE(tray.icons.empty());
    EXPECT_EQ(Shell_NotifyIconA(NIM_DELETE, d), 0);
    EXPECT_EQ(tray.removes, 1);
    // Gone means gone: it can be added again.
    EXPECT_EQ(Shell_NotifyIconA(NIM_ADD, d), 1);
    EXPECT_EQ(tray.adds, 2);
}

TEST_F(NotifyIcon, MouseActionsArriveAsTheCallbackMessageWithTheNumberInLParam)
{
    ASSERT_EQ(Shell_NotifyIconA(NIM_ADD, record(1)), 1);
    tray.click(WM_RBUTTONUP);
    tray.click(WM_LBUTTONDBLCLK);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].hWnd, target);
    EXPECT_EQ(received[0].msg, WM_MOUSEMOVE);
    EXPECT_EQ(received[0].wParam, 1);
    EXPECT_EQ(received[0].lParam, WM_RBUTTONUP);
    EXPECT_EQ(received[1].lParam, WM_LBUTTONDBLCLK);

    Shell_NotifyIconA(NIM_DELETE, record(1));
    tray.click(WM_RBUTTONUP);
    EXPECT_EQ(received.size(), 2u);
}

TEST_F(NotifyIcon, ARecordOfTheWrongSizeOrWithoutAnAreaIsRefused)
{
    NOTIFYICONDATA d = record();
    d.cbSize = 504;
    EXPECT_EQ(Shell_NotifyIconA(NIM_ADD, d), 0);
    EXPECT_TRUE(tray.icons.empty());

    shell32::UseTrayService(nullptr);
    EXPECT_EQ(Shell_NotifyIconA(NIM_ADD, record()), 0);
    EXPECT_EQ(Shell_NotifyIconA(NIM_DELETE, record()), 0);
}

TEST_F(NotifyIcon, AnIconAddedWithoutAHostIsKeptButReportedMissing)
{
    tray.host = false;
    EXPECT_EQ(Shell_NotifyIconA(NIM_ADD, record()), 0);
    EXPECT_EQ(tray.icons.size(), 1u);
}
