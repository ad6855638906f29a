// The program's windows as the window manager (openbox) sees them: the
// always-on-top band changed in place, message boxes above the window that
// asked, the task-list entry, and outer sizes in twips at any scale.

#include "realdesktop.h"
#include "x11.h"

#include "app/program.h"
#include "imagestore/Formbilder.h"
#include "platform/services/qtservices.h"
#include "support/fakeservices.h"
#include "platform/windows/qttray.h"
#include "shell/Starter.h"
#include "textstore/Textform.h"

#include <QApplication>
#include <QScreen>
#include <QClipboard>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

QString xprop(WId id, const QStringList &what)
{
    return QString::fromLatin1(x11::run(QStringLiteral("xprop"), QStringList{QStringLiteral("-id"), QString::number(id)} + what));
}

WId idOf(const QWidget &w)
{
    return w.windowHandle() ? w.windowHandle()->winId() : 0;
}

bool hasState(const QWidget &w, const char *state)
{
    return xprop(idOf(w), {QStringLiteral("_NET_WM_STATE")}).contains(QLatin1String(state));
}

// The client area as the X server has it (device pixels, absolute).
QRect client(WId id)
{
    const QString info = QString::fromLatin1(x11::run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(id)}));
    auto number = [&](const char *label) {
        const auto m = QRegularExpression(QString::fromLatin1(label) + QStringLiteral(":\\s*(-?\\d+)")).match(info);
        return m.hasMatch() ? m.captured(1).toInt() : -1;
    };
    return QRect(number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"), number("Height"));
}

// Outer size in device pixels: client plus the window manager's frame.
std::optional<QSize> outer(const QWidget &w)
{
    const WId id = idOf(w);
    const auto m = QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"))
                       .match(xprop(id, {QStringLiteral("_NET_FRAME_EXTENTS")}));
    if (!m.hasMatch())
        return std::nullopt;
    const QRect c = client(id);
    return QSize(c.width() + m.captured(1).toInt() + m.captured(2).toInt(),
                 c.height() + m.captured(3).toInt() + m.captured(4).toInt());
}

class WindowsE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!x11::available())
            GTEST_SKIP() << "needs the Xvfb desktop of scripts/test";
        QGuiApplication::clipboard()->setText(QStringLiteral("Anfang"));
        desktop = std::make_unique<RealDesktop>();
    }
    void TearDown() override { desktop.reset(); }

    std::unique_ptr<RealDesktop> desktop;
};

} // namespace

// "vordergrund" leaves and rejoins the always-on-top band on the same X
// window, at the same place, and the focus rule of the options still holds.
TEST_F(WindowsE2E, VordergrundChangesTheBandInPlace)
{
    Formbilder &f = desktop->forms->get<Formbilder>();
    f.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    ASSERT_TRUE(x11::waitUntil([&] { return hasState(f, "_NET_WM_STATE_ABOVE"); }));
    const WId id = idOf(f);
    const QRect at = client(id);

    for (int value : {0, 1, 0, 1}) {
        f.Check2->setValue(value); // as a click: hidden, moved a twip, shown again
        ASSERT_TRUE(x11::waitUntil([&] { return hasState(f, "_NET_WM_STATE_ABOVE") == (value != 0); })) << value;
        ASSERT_TRUE(x11::waitUntil([&] { return f.isVisible() && client(id).topLeft() == at.topLeft(); }))
            << value << " at " << client(id).topLeft().x() << "," << client(id).topLeft().y();
        EXPECT_EQ(idOf(f), id) << value;
    }
    // "Transparent" likewise changes the window as it stands.
    f.Check3->setValue(1);
    EXPECT_TRUE(x11::waitUntil([&] { return xprop(id, {QStringLiteral("_NET_WM_WINDOW_OPACITY")}).contains("= "); }));
    f.Check3->setValue(0);
    EXPECT_EQ(idOf(f), id);

    // A user clicks "Auto-Maus", then the slot number box: the focus left the option.
    auto clickAt = [&](int left, int top, int width, int height, const std::function<bool()> &landed) {
        const QRect c = client(id);
        const double dpr = f.devicePixelRatioF();
        x11::run(QStringLiteral("xdotool"),
                 {QStringLiteral("mousemove"), QString::number(c.x() + std::lround((left + width / 2) / 15.0 * dpr)),
                  QString::number(c.y() + std::lround((top + height / 2) / 15.0 * dpr)), QStringLiteral("click"),
                  QStringLiteral("1")});
        EXPECT_TRUE(x11::waitUntil(landed)) << "a click at " << left << "," << top;
    };
    const int autoMaus = f.Check4->Value();
    clickAt(8640, 960, 1095, 255, [&] { return f.Check4->Value() != autoMaus; });
    clickAt(8040, 1010, 255, 345, [&] { return f.Text1->hasFocus(); });

    EXPECT_TRUE(x11::waitUntil([&] { return desktop->forms->get<Starter>().Check1->Value() != 0; }));
    f.Unload(vbFormControlMenu);
    EXPECT_TRUE(desktop->messages.texts().contains(
        QStringLiteral("Möchten Sie die geänderten Optionen (Bilder-Merkolo) speichern ?")));
}

// Brought forward (a second start, the icon's double click), the selector
// shows above the always-on-top stores that cover its place, in their band
// while it is the active window; once another window is, beneath them again.
TEST_F(WindowsE2E, TheSelectorBroughtForwardShowsAboveTheStores)
{
    Starter &s = desktop->forms->get<Starter>();
    s.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&s));
    Formbilder &f = desktop->forms->get<Formbilder>();
    f.Show();
    ASSERT_TRUE(x11::waitUntil([&] { return hasState(f, "_NET_WM_STATE_ABOVE"); }));
    f.move(s.pos() - QPoint(40, 20));
    s.Hide();
    auto stacking = [] {
        return QString::fromLatin1(x11::run(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")}));
    };
    auto above = [&](const QWidget &upper, const QWidget &lower) {
        const QString order = stacking(); // from the bottom up
        const auto at = [&](const QWidget &w) { return order.indexOf(QStringLiteral("0x%1").arg(idOf(w), 0, 16)); };
        return at(lower) >= 0 && at(upper) > at(lower);
    };
    ASSERT_TRUE(x11::waitUntil([&] { return !s.isVisible() && stacking().count(QLatin1Char(',')) >= 1; }));
    program::bringForward(*desktop->forms);
    EXPECT_TRUE(x11::waitUntil([&] { return s.isVisible() && s.isActiveWindow() && above(s, f); }));
    // The user turns to the store (the window manager may take a request or two).
    ASSERT_TRUE(x11::waitUntil([&] {
        if (!f.isActiveWindow())
            f.activateWindow();
        return f.isActiveWindow();
    }));
    EXPECT_TRUE(x11::waitUntil([&] { return !hasState(s, "_NET_WM_STATE_ABOVE") && above(f, s); }));
}

// A question of the always-on-top text store opens above it, over it, and
// a click answers it.
TEST_F(WindowsE2E, AMessageBoxOpensAboveTheWindowThatAskedAndTakesAClick)
{
    Textform &t = desktop->forms->get<Textform>();
    t.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t));
    ASSERT_TRUE(x11::waitUntil([&] { return hasState(t, "_NET_WM_STATE_ABOVE"); }));
    t.activateWindow();
    ASSERT_TRUE(x11::waitUntil([&] { return QApplication::activeWindow() == &t; }));

    QtMessageBox real;
    QString parentTitle;
    bool above = false, framed = false;
    QTimer::singleShot(0, [&] {
        QMessageBox *box = nullptr;
        framed = x11::waitUntil([&] {
            box = openMessageBox();
            return box && box->isVisible() && x11::run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(idOf(*box)), QStringLiteral("_NET_FRAME_EXTENTS")}).contains("=");
        });
        if (!box)
            return;
        parentTitle = box->parentWidget() ? box->parentWidget()->windowTitle() : QString();
        above = hasState(*box, "_NET_WM_STATE_ABOVE");
        QPushButton *yes = nullptr;
        for (QAbstractButton *b : box->buttons()) {
            if (b->text() == QStringLiteral("Ja"))
                yes = qobject_cast<QPushButton *>(b);
        }
        const QString shots = qEnvironmentVariable("MERKOLO_SCREENSHOT_DIR");
        if (!shots.isEmpty())
            x11::run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                shots + QStringLiteral("/warnung-ueber-textspeicher.png")});
        const QPoint p = yes->mapToGlobal(yes->rect().center()) * yes->devicePixelRatioF();
        x11::run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()),
                                             QStringLiteral("click"), QStringLiteral("1")});
        // A box that the click did not reach is closed here, unanswered.
        QPointer<QMessageBox> still(box);
        if (!x11::waitUntil([&] { return !still || !still->isVisible(); }, 3000) && still)
            still->reject();
    });
    const int answer = real.show(QStringLiteral("Möchten Sie die geänderten Optionen (Merkolo-Text) speichern ?"),
                                 vbYesNo, QStringLiteral("Warnung"));
    EXPECT_TRUE(framed) << "the window manager framed the box";
    EXPECT_EQ(parentTitle, t.windowTitle());
    EXPECT_TRUE(above);
    EXPECT_EQ(answer, vbYes) << "the click on Ja reached the box";
}

// "Switch the task-list entry off" reaches the window manager for every
// window of the program, also one shown afterwards; "on" takes it back.
TEST_F(WindowsE2E, TheTaskListEntryIsTheWindowManagersSkipTaskbar)
{
    QtTray tray;
    Textform &t = desktop->forms->get<Textform>();
    t.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t));
    tray.setTaskVisible(false);
    EXPECT_TRUE(x11::waitUntil([&] { return hasState(t, "_NET_WM_STATE_SKIP_TASKBAR"); }));
    Formbilder &f = desktop->forms->get<Formbilder>();
    f.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    EXPECT_TRUE(x11::waitUntil([&] { return hasState(f, "_NET_WM_STATE_SKIP_TASKBAR"); }));
    EXPECT_TRUE(hasState(f, "_NET_WM_STATE_ABOVE")) << "the other states stay";
    // Hidden and shown again, the window keeps it.
    t.Hide();
    t.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t));
    EXPECT_TRUE(x11::waitUntil([&] { return hasState(t, "_NET_WM_STATE_SKIP_TASKBAR"); }));

    // Withdrawn, a window carries its states in the property the manager reads
    // when it maps it again: a state switched on and off meanwhile leaves it.
    t.Hide();
    ASSERT_TRUE(x11::waitUntil([&] { return !xprop(idOf(t), {QStringLiteral("WM_STATE")}).contains("Normal"); }));
    ASSERT_TRUE(x11::caughtUp()); // the manager is done with the withdrawal, which drops the states
    for (bool visible : {true, false, true}) {
        tray.setTaskVisible(visible);
        EXPECT_EQ(hasState(t, "_NET_WM_STATE_SKIP_TASKBAR"), !visible) << "hidden, task entry " << visible;
        EXPECT_TRUE(hasState(t, "_NET_WM_STATE_ABOVE")) << "hidden, task entry " << visible;
    }
    t.Show();
    EXPECT_TRUE(x11::waitUntil([&] {
        return !hasState(t, "_NET_WM_STATE_SKIP_TASKBAR") && !hasState(f, "_NET_WM_STATE_SKIP_TASKBAR");
    }));
    EXPECT_TRUE(hasState(f, "_NET_WM_STATE_ABOVE"));
}

// The text store's outer size is the design's in twips (physical: 15 a
// device pixel at 96 dpi, 7.5 at twice the pixels), within one device
// pixel, whether a layout was set while the window was hidden or shown.
// scripts/test runs this at scale factors 1, 1.5 and 2.
TEST_F(WindowsE2E, TheTextStoreHasTheDesignsOuterSizeHiddenOrShown)
{
    Textform &t = desktop->forms->get<Textform>(); // loads hidden, in the small layout
    const double dpr = t.devicePixelRatioF();
    auto expect = [&](int wTw, int hTw, const char *how) {
        const QSizeF want(wTw / 15.0 * dpr, hTw / 15.0 * dpr);
        std::optional<QSize> got;
        const bool right = x11::waitUntil([&] {
            got = outer(t);
            // The form's own measure follows the frame the manager reports, a moment after the window.
            return got && std::abs(got->width() - want.width()) <= 1 && std::abs(got->height() - want.height()) <= 1
                   && t.Width() == wTw && t.Height() == hTw;
        }, 3000);
        EXPECT_TRUE(right) << how << ": " << (got ? got->width() : -1) << " x " << (got ? got->height() : -1)
                           << " device pixels, want " << want.width() << " x " << want.height();
        EXPECT_EQ(t.Width(), wTw) << how;
        EXPECT_EQ(t.Height(), hTw) << how;
    };
    // Load, then the user's switches (through the layout flag's heights), hidden and shown.
    t.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t));
    expect(3100, 1000, "small, set at load while hidden");
    t.Hide();
    t.Picture3_Click();
    t.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t));
    expect(5400, 3675, "large, switched while hidden");
    t.Command4_Click();
    expect(3100, 1000, "small, switched while shown");
    t.Picture3_Click();
    expect(5400, 3675, "large, switched while shown");
    t.Hide();
    t.Command4_Click();
    t.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&t));
    expect(3100, 1000, "small, switched while hidden");
}

// The tray host is followed by what it announces, not by polling: a host
// that announces itself (the MANAGER message of _NET_SYSTEM_TRAY_S0) is
// taken up at once, and its window's end is the host going away.
TEST_F(WindowsE2E, TheTrayHostIsFollowedByItsAnnouncements)
{
    QtTray tray;
    std::vector<bool> seen;
    QObject::connect(&tray, &TrayService::hostAvailableChanged, [&](bool present) { seen.push_back(present); });
    // Another program's host window, announced as the manager (trayer keeps the selection).
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(c));
    const xcb_screen_t *s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t host = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, host, s->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      s->root_visual, 0, nullptr);
    auto atom = [&](const char *name) {
        xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), nullptr);
        const xcb_atom_t a = r->atom;
        free(r);
        return a;
    };
    xcb_client_message_event_t m{};
    m.response_type = XCB_CLIENT_MESSAGE;
    m.format = 32;
    m.window = s->root;
    m.type = atom("MANAGER");
    m.data.data32[1] = atom("_NET_SYSTEM_TRAY_S0");
    m.data.data32[2] = host;
    xcb_send_event(c, 0, s->root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char *>(&m));
    xcb_flush(c);
    EXPECT_TRUE(x11::waitUntil([&] { return seen == std::vector<bool>{true}; }, 2000));
    xcb_destroy_window(c, host);
    xcb_flush(c);
    EXPECT_TRUE(x11::waitUntil([&] { return seen == std::vector<bool>{true, false}; }, 2000));
    xcb_disconnect(c);
}

// The icon docks in a square slot as high as the host's, all of it the
// picture, at any scale: the host counts the screen's pixels.
TEST_F(WindowsE2E, TheTrayIconFillsASquareSlot)
{
    QtTray tray;
    ASSERT_TRUE(tray.hostAvailable());
    QPixmap picture(64, 64);
    picture.fill(Qt::red);
    tray.setIcon(1, QIcon(picture), QStringLiteral("Merkolo"));
    QWidget *icon = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        icon = w->objectName() == QLatin1String("QSystemTrayIconSys") ? w : icon;
    ASSERT_NE(icon, nullptr);
    const int screenHeight = QGuiApplication::primaryScreen()->geometry().height() * icon->devicePixelRatioF();
    QRect slot;
    ASSERT_TRUE(x11::waitUntil([&] {
        slot = client(idOf(*icon));
        return slot.top() > screenHeight / 2 && slot.height() > 0;
    }));
    // Within a pixel: at a fractional scale the toolkit's pixels come to no whole number of the screen's.
    EXPECT_TRUE(x11::waitUntil([&] { return std::abs((slot = client(idOf(*icon))).width() - slot.height()) <= 1; }))
        << slot.width() << " x " << slot.height();
    const QImage seen = QImage::fromData(
        x11::run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("-crop"),
                                            QStringLiteral("%1x%2+%3+%4").arg(slot.width()).arg(slot.height()).arg(slot.x()).arg(slot.y()),
                                            QStringLiteral("ppm:-")}), "PPM");
    int other = 0;
    for (int y = 0; y < seen.height(); ++y)
        for (int x = 0; x < seen.width(); ++x)
            other += seen.pixel(x, y) != qRgb(255, 0, 0);
    EXPECT_LE(other, 2 * (seen.width() + seen.height())) << "pixels of the slot beside the picture";
}
