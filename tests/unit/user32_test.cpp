// The viewer chain and window procedures of the platform layer, with viewers
// of other programs in the chain.

#include "capture/ModuleZ.h"
#include "platform/windows/user32.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Message {
    HWND hWnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// A well-behaved viewer of another program: it records what it gets and
// keeps its own link to the next viewer.
struct ForeignViewer {
    HWND hWnd = 0;
    HWND next = 0;
    std::vector<Message> got;

    ForeignViewer()
    {
        hWnd = user32::CreateWindowHandle(nullptr, [this](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
            got.push_back({h, m, w, l});
            if (m == WM_DRAWCLIPBOARD && next)
                SendMessageA(next, m, w, l);
            if (m == WM_CHANGECBCHAIN) {
                if (static_cast<HWND>(w) == next)
                    next = static_cast<HWND>(l);
                else if (next)
                    SendMessageA(next, m, w, l);
            }
            return 0;
        });
    }
    void join() { next = SetClipboardViewer(hWnd); }
    void leave() { ChangeClipboardChain(hWnd, next); }
    int draws() const
    {
        int n = 0;
        for (const auto &m : got)
            n += m.msg == WM_DRAWCLIPBOARD;
        return n;
    }
};

class User32 : public ::testing::Test
{
protected:
    void SetUp() override { user32::ResetDesktop(); }
    void TearDown() override { user32::ResetDesktop(); }
};

} // namespace

TEST_F(User32, JoiningReturnsThePreviousHeadAndNotifiesAtOnce)
{
    ForeignViewer a, b;
    a.join();
    EXPECT_EQ(a.next, 0u);
    EXPECT_EQ(a.draws(), 1);
    b.join();
    EXPECT_EQ(b.next, a.hWnd);
    EXPECT_EQ(user32::GetClipboardViewer(), b.hWnd);
    // b's joining notification arrives before b knows its next viewer, so
    // it goes no further than b (as on Windows).
    EXPECT_EQ(b.draws(), 1);
    EXPECT_EQ(a.draws(), 1);
    SendMessageA(user32::GetClipboardViewer(), WM_DRAWCLIPBOARD, 0, 0);
    EXPECT_EQ(a.draws(), 2);
}

TEST_F(User32, LeavingRepairsTheChainThroughTheHead)
{
    ForeignViewer a, b, c;
    a.join();
    b.join();
    c.join(); // chain: c -> b -> a
    b.leave();
    EXPECT_EQ(c.next, a.hWnd);
    ASSERT_FALSE(c.got.empty());
    EXPECT_EQ(c.got.back().msg, WM_CHANGECBCHAIN);
    EXPECT_EQ(static_cast<HWND>(c.got.back().wParam), b.hWnd);
    EXPECT_EQ(static_cast<HWND>(c.got.back().lParam), a.hWnd);
    c.leave(); // the head leaves: the next one becomes the head
    EXPECT_EQ(user32::GetClipboardViewer(), a.hWnd);
}

TEST_F(User32, WindowProcedureReplacedAndCalledThroughTheChainOfProcedures)
{
    std::vector<UINT> seen;
    const HWND w = user32::CreateWindowHandle(nullptr, [&](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
        seen.push_back(m);
        return 42;
    });
    const LONG original = GetWindowLongA(w, GWL_WNDPROC);
    const LONG mine = user32::ProcAddress([&](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        return CallWindowProcA(original, h, m, wp, lp) + 1;
    });
    EXPECT_EQ(SetWindowLongA(w, GWL_WNDPROC, mine), original);
    EXPECT_EQ(SendMessageA(w, 0x1234, 0, 0), 43);
    EXPECT_EQ(SetWindowLongA(w, GWL_WNDPROC, original), mine);
    EXPECT_EQ(SendMessageA(w, 0x1235, 0, 0), 42);
    EXPECT_EQ(seen, (std::vector<UINT>{0x1234, 0x1235}));
    // A forgotten window answers nothing.
    user32::DestroyWindowHandle(w);
    EXPECT_EQ(SendMessageA(w, 0x1236, 0, 0), 0);
    EXPECT_EQ(seen.size(), 2u);
}

// ModuleZ's procedure on a bare window (no viewer window behind it): the
// chain rules alone.
class Callback : public User32
{
protected:
    void SetUp() override
    {
        User32::SetUp();
        own = user32::CreateWindowHandle(nullptr, [this](HWND, UINT m, WPARAM, LPARAM) -> LRESULT {
            passedOn.push_back(m);
            return static_cast<LRESULT>(1000 + m);
        });
    }
    HWND own = 0;
    std::vector<UINT> passedOn;
};

TEST_F(Callback, ForwardsDrawClipboardOnlyWhenThereIsANextViewer)
{
    ModuleZ::JoinViewerChain(own); // first in the chain: NextViewer 0
    EXPECT_EQ(ModuleZ::NextViewer, 0u);
    EXPECT_EQ(passedOn, (std::vector<UINT>{WM_DRAWCLIPBOARD}));
    EXPECT_EQ(SendMessageA(own, WM_DRAWCLIPBOARD, 7, 9), static_cast<LRESULT>(1000 + WM_DRAWCLIPBOARD));
    ModuleZ::LeaveViewerChain(own);

    ForeignViewer before;
    before.join();
    ModuleZ::JoinViewerChain(own);
    EXPECT_EQ(ModuleZ::NextViewer, before.hWnd);
    const size_t got = before.got.size();
    SendMessageA(own, WM_DRAWCLIPBOARD, 7, 9);
    ASSERT_EQ(before.got.size(), got + 1);
    EXPECT_EQ(before.got.back().msg, WM_DRAWCLIPBOARD);
    EXPECT_EQ(before.got.back().wParam, 7);
    EXPECT_EQ(before.got.back().lParam, 9);
}

TEST_F(Callback, ChangeChainRepairsOrPassesOnUnchanged)
{
    ForeignViewer a, b;
    a.join();
    b.join();
    ModuleZ::JoinViewerChain(own); // own -> b -> a
    EXPECT_EQ(ModuleZ::NextViewer, b.hWnd);
    const size_t bBefore = b.got.size();

    // Another window further down leaves: passed on unchanged, nothing repaired here.
    SendMessageA(own, WM_CHANGECBCHAIN, static_cast<WPARAM>(0x777), static_cast<LPARAM>(0x888));
    EXPECT_EQ(ModuleZ::NextViewer, b.hWnd);
    ASSERT_EQ(b.got.size(), bBefore + 1);
    EXPECT_EQ(static_cast<HWND>(b.got.back().wParam), 0x777u);
    EXPECT_EQ(static_cast<HWND>(b.got.back().lParam), 0x888u);

    // Our next viewer leaves: it is replaced by the one after it, nothing is sent on.
    b.leave();
    EXPECT_EQ(ModuleZ::NextViewer, a.hWnd);
    EXPECT_EQ(b.got.size(), bBefore + 1);
    SendMessageA(own, WM_DRAWCLIPBOARD, 0, 0);
    EXPECT_EQ(a.got.back().msg, WM_DRAWCLIPBOARD);

    // With no next viewer nothing is sent on for either message.
    ModuleZ::NextViewer = 0;
    const size_t aBefore = a.got.size();
    SendMessageA(own, WM_CHANGECBCHAIN, 0x777, 0x888);
    SendMessageA(own, WM_DRAWCLIPBOARD, 0, 0);
    EXPECT_EQ(a.got.size(), aBefore);
}

TEST_F(Callback, EveryMessageReachesThePreviousProcedureWithItsResult)
{
    ModuleZ::JoinViewerChain(own);
    passedOn.clear();
    for (UINT m : {WM_DRAWCLIPBOARD, WM_CHANGECBCHAIN, WM_MOUSEMOVE, 0x0010u})
        EXPECT_EQ(SendMessageA(own, m, 1, 2), static_cast<LRESULT>(1000 + m));
    EXPECT_EQ(passedOn, (std::vector<UINT>{WM_DRAWCLIPBOARD, WM_CHANGECBCHAIN, WM_MOUSEMOVE, 0x0010u}));
    ModuleZ::LeaveViewerChain(own);
    // Left: the original procedure is back and the chain is empty again.
    EXPECT_EQ(user32::GetClipboardViewer(), 0u);
    passedOn.clear();
    SendMessageA(own, WM_DRAWCLIPBOARD, 0, 0);
    EXPECT_EQ(passedOn.size(), 1u);
}
