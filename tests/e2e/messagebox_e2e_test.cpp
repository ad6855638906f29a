// Real message boxes under openbox: a box raised while another program has
// the keyboard leaves it there until the box is clicked, and a hundred boxes
// in a row each open mapped, above their owner, and take Return after a click.

#include "realdesktop.h"
#include "x11.h"

#include "imagestore/Formbilder.h"
#include "textstore/Textform.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

// The desktop as another X client sees it, and a window of that client
// (another program) that counts the keys it gets.
class Outside
{
public:
    Outside()
        : c(xcb_connect(nullptr, nullptr))
        , root(xcb_setup_roots_iterator(xcb_get_setup(c)).data->root)
    {
    }
    ~Outside() { xcb_disconnect(c); }

    xcb_window_t openWindow()
    {
        const xcb_screen_t *s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        own = xcb_generate_id(c);
        const uint32_t values[] = {s->white_pixel, XCB_EVENT_MASK_KEY_PRESS};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, own, root, 60, 60, 320, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          s->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, own, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 5, "Fremd");
        xcb_map_window(c, own);
        xcb_flush(c);
        return own;
    }
    int keys()
    {
        while (xcb_generic_event_t *e = xcb_poll_for_event(c)) {
            if ((e->response_type & 0x7f) == XCB_KEY_PRESS)
                ++m_keys;
            std::free(e);
        }
        return m_keys;
    }
    xcb_window_t focus()
    {
        xcb_get_input_focus_reply_t *r = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
        const xcb_window_t f = r ? r->focus : XCB_NONE;
        std::free(r);
        return f;
    }
    bool viewable(xcb_window_t w)
    {
        xcb_get_window_attributes_reply_t *r
            = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
        const bool v = r && r->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(r);
        return v;
    }
    // Place in the window manager's stacking order, bottom first; -1 when not listed.
    int stackIndex(xcb_window_t w)
    {
        const char *name = "_NET_CLIENT_LIST_STACKING";
        xcb_intern_atom_reply_t *a = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
        xcb_get_property_reply_t *r = xcb_get_property_reply(
            c, xcb_get_property(c, 0, root, a ? a->atom : XCB_NONE, XCB_ATOM_WINDOW, 0, 1024), nullptr);
        int at = -1;
        if (r && r->format == 32) {
            const auto *v = static_cast<const xcb_window_t *>(xcb_get_property_value(r));
            for (int i = 0; i < xcb_get_property_value_length(r) / 4; ++i)
                at = v[i] == w ? i : at;
        }
        std::free(r);
        std::free(a);
        return at;
    }

    xcb_connection_t *c;
    xcb_window_t root;
    xcb_window_t own = XCB_NONE;

private:
    int m_keys = 0;
};

xcb_window_t idOf(const QWidget *w)
{
    return w && w->windowHandle() ? static_cast<xcb_window_t>(w->windowHandle()->winId()) : XCB_NONE;
}

void xdotool(const QStringList &args)
{
    x11::run(QStringLiteral("xdotool"), args);
}

void clickOn(const QWidget *w)
{
    const QPoint p = w->mapToGlobal(w->rect().center()) * w->devicePixelRatioF();
    xdotool({QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()), QStringLiteral("click"),
             QStringLiteral("1")});
}

// What one box showed of itself while it was open.
struct Box {
    bool mapped = false;
    bool aboveOwner = false;
    bool answered = false; // by Return once clicked
};

// Waits for the open box, looks at it, clicks its text and answers with Return.
// `meanwhile` runs once the box is on the screen, before the click.
void look(Outside &x, Box &seen, const std::function<void(QMessageBox &)> &meanwhile = {})
{
    QPointer<QMessageBox> box;
    seen.mapped = x11::waitUntil([&] {
        box = openMessageBox();
        return box && x.viewable(idOf(box)) && x.stackIndex(idOf(box)) >= 0;
    }, 5000);
    if (!box)
        return;
    const QWidget *owner = box->parentWidget() ? box->parentWidget()->window() : nullptr;
    seen.aboveOwner = owner && x.stackIndex(idOf(box)) > x.stackIndex(idOf(owner));
    if (meanwhile)
        meanwhile(*box);
    if (box)
        clickOn(box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label")));
    // As a user sees it: the box has the keyboard and shows it.
    if (x11::waitUntil([&] { return !box || (x.focus() == idOf(box) && box->isActiveWindow()); }, 3000) && box)
        xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    seen.answered = x11::waitUntil([&] { return !box || !box->isVisible(); }, 3000);
    if (!seen.answered && box) qWarning() << "DEBUG xfocus" << x.focus() << "box" << idOf(box) << "active" << QApplication::activeWindow() << "focusw" << QApplication::focusWidget() << "modal" << box->isModal() << QGuiApplication::focusWindow();
    if (box && box->isVisible())
        box->reject(); // unanswered: the test goes on
}

class MessageBoxE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!x11::available())
            GTEST_SKIP() << "needs the Xvfb desktop of scripts/test";
        desktop = std::make_unique<RealDesktop>();
        store = &desktop->forms->get<Formbilder>();
        store->Show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(store));
    }
    void TearDown() override { desktop.reset(); }

    std::unique_ptr<RealDesktop> desktop;
    Formbilder *store = nullptr;
};

} // namespace

// The wrap message raised while another program is active leaves that
// program the keys typed meanwhile; it takes the focus once clicked, or at
// once when the program itself was active.
TEST_F(MessageBoxE2E, ABoxLeavesTheKeyboardWithTheProgramInUse)
{
    for (const bool oursActive : {false, true}) {
        Outside x;
        if (oursActive) {
            xdotool({QStringLiteral("windowactivate"), QString::number(idOf(store))});
            ASSERT_TRUE(x11::waitUntil([&] { return QApplication::activeWindow() == store; }));
        } else {
            const xcb_window_t other = x.openWindow();
            ASSERT_TRUE(x11::waitUntil([&] { return x.viewable(other); }));
            xdotool({QStringLiteral("windowactivate"), QString::number(other)});
            ASSERT_TRUE(x11::waitUntil([&] { return x.focus() == other && !QApplication::activeWindow(); }));
        }
        Box seen;
        bool tookFocus = false;
        bool blockedAndForward = oursActive;
        int keysElsewhere = -1;
        QTimer::singleShot(0, [&] {
            look(x, seen, [&](QMessageBox &box) {
                if (oursActive) {
                    tookFocus = x11::waitUntil([&] { return x.focus() == idOf(&box); }, 2000);
                    return;
                }
                x11::waitUntil([] { return false; }, 600); // long after a user's last key
                xdotool({QStringLiteral("type"), QStringLiteral("hello ")});
                xdotool({QStringLiteral("key"), QStringLiteral("Return")});
                x11::waitUntil([&] { return x.keys() >= 7; }, 2000);
                keysElsewhere = x.keys();
                tookFocus = x.focus() == idOf(&box) || !box.isVisible();
                // A click on the store goes to the box, as with any modal box.
                clickOn(store->Command12);
                blockedAndForward = x11::waitUntil([&] { return x.focus() == idOf(&box); }, 2000)
                                    && store->Text1->Text() == QStringLiteral("10");
            });
        });
        desktop->messages.whileOpen = [](const QString &text) { QtMessageBox().show(text, vbOKOnly, QString()); };
        store->Text1->setText(QStringLiteral("10"));
        desktop->messages.whileOpen = nullptr;
        EXPECT_TRUE(seen.mapped && seen.aboveOwner) << oursActive;
        EXPECT_EQ(tookFocus, oursActive);
        EXPECT_EQ(keysElsewhere, oursActive ? -1 : 7);
        EXPECT_TRUE(blockedAndForward);
        EXPECT_TRUE(seen.answered) << oursActive;
        EXPECT_EQ(store->Text1->Text(), QStringLiteral("0"));
    }
}

// A hundred boxes in a row from the stores' buttons (saves and warnings) and
// the wrap message: each is mapped, above its owner, and answered by Return
// after a click on it.
TEST_F(MessageBoxE2E, AHundredBoxesInARowEachOpenAboveTheirOwnerAndTakeReturn)
{
    Textform &text = desktop->forms->get<Textform>();
    text.Show();
    text.Command12_Click(); // the large layout shows "Speichern"
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&text));
    text.move(store->frameGeometry().bottomLeft() + QPoint(0, 40));
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    store->Bildx[0]->setPicture(picture);

    Outside x;
    const xcb_window_t other = x.openWindow(); // the wrap message comes while it is active
    ASSERT_TRUE(x11::waitUntil([&] { return x.viewable(other); }));
    std::vector<QString> failed;
    int boxes = 0;
    desktop->messages.whileOpen = [&](const QString &said) {
        ++boxes;
        Box seen;
        QTimer::singleShot(0, [&] { look(x, seen); });
        QtMessageBox().show(said, vbOKOnly, QString());
        if (!seen.mapped || !seen.aboveOwner || !seen.answered)
            failed.push_back(QStringLiteral("%1 %2%3%4").arg(said).arg(seen.mapped).arg(seen.aboveOwner).arg(seen.answered));
    };
    // Each row prepares the stores and raises one box.
    const std::function<void()> rows[] = {
        [&] { store->Text1->setText(QStringLiteral("0")); clickOn(store->Command5); },   // saved
        [&] { store->Text1->setText(QStringLiteral("1")); clickOn(store->Command5); },   // empty slot
        [&] {
            xdotool({QStringLiteral("windowactivate"), QString::number(other)});
            x11::waitUntil([&] { return !QApplication::activeWindow(); });
            QTimer::singleShot(0, [&] { store->Text1->setText(QStringLiteral("10")); });
        },
        [&] { text.Text2->setText(QString()); clickOn(text.Command5); },                   // no text
        [&] { text.Text2->setText(QStringLiteral("gespeichert")); clickOn(text.Command5); }, // saved
    };
    for (int i = 0; i < 100; ++i) {
        rows[i % 5]();
        ASSERT_TRUE(x11::waitUntil([&] { return boxes == i + 1 && !openMessageBox(); }, 15000)) << "box " << i;
    }
    desktop->messages.whileOpen = nullptr;
    EXPECT_TRUE(failed.empty()) << failed.size() << " of 100, first: " << failed.front().toStdString();
}
