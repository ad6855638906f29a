// A hundred real message boxes in a row under openbox, from the stores'
// buttons (saves, warnings) and the wrap message, which comes while another
// program has the keyboard. Each opens mapped above its owner and is answered
// by Return after a click on it; one from the background leaves the keys
// typed meanwhile to the other program and takes a click on the store itself.
// Once on the suite's desktop, whose openbox keeps a window of a program in
// the background from taking the keyboard by itself, and once under an
// openbox of the test's own that gives every new window the focus it can:
// there only the box's own wish not to be activated keeps the keys where
// they are.

#include "realdesktop.h"
#include "x11.h"

#include "imagestore/Formbilder.h"
#include "textstore/Textform.h"

#include "support/files.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

xcb_window_t idOf(const QWidget *w)
{
    return w && w->windowHandle() ? static_cast<xcb_window_t>(w->windowHandle()->winId()) : XCB_NONE;
}

// Another program: a window of a connection of its own that counts its keys;
// the connection also reads the focus, map states and the stacking order.
struct Other {
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    xcb_screen_t *s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_window_t w = xcb_generate_id(c);
    int keys = 0;
    Other()
    {
        const uint32_t values[] = {s->white_pixel, XCB_EVENT_MASK_KEY_PRESS};
        xcb_create_window(c, 0, w, s->root, 60, 60, 320, 200, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, s->root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
        xcb_map_window(c, w);
        xcb_flush(c);
    }
    ~Other() { xcb_disconnect(c); }
    int keysSoFar()
    {
        while (xcb_generic_event_t *e = xcb_poll_for_event(c)) {
            keys += (e->response_type & 0x7f) == XCB_KEY_PRESS;
            std::free(e);
        }
        return keys;
    }
    xcb_window_t focus()
    {
        auto *r = xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr);
        const xcb_window_t f = r ? r->focus : XCB_NONE;
        std::free(r);
        return f;
    }
    // Place in the window manager's stacking order, bottom first, or -1 while not mapped.
    int stackIndex(xcb_window_t win)
    {
        auto *a = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, win), nullptr);
        const bool mapped = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(a);
        auto *atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 25, "_NET_CLIENT_LIST_STACKING"), nullptr);
        auto *r = xcb_get_property_reply(c, xcb_get_property(c, 0, s->root, atom->atom, XCB_ATOM_WINDOW, 0, 512), nullptr);
        int at = -1;
        for (int i = 0; mapped && r && i < xcb_get_property_value_length(r) / 4; ++i)
            at = static_cast<xcb_window_t *>(xcb_get_property_value(r))[i] == win ? i : at;
        std::free(r);
        std::free(atom);
        return at;
    }
};

void xdotool(const QStringList &args)
{
    x11::run(QStringLiteral("xdotool"), args);
}

// Where the X server has the window now: a box the window manager has just
// placed may not have told the toolkit yet.
void clickOn(const QWidget *w)
{
    const QPoint p = w->mapTo(w->window(), w->rect().center()) * w->devicePixelRatioF();
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(idOf(w->window())),
             QString::number(p.x()), QString::number(p.y()), QStringLiteral("click"), QStringLiteral("1")});
}

struct WindowManager {
    const char *name;
    const char *rules; // openbox's rules for applications; none: the suite's own desktop
};

void PrintTo(const WindowManager &manager, std::ostream *out)
{
    *out << manager.name;
}

class MessageBoxE2E : public ::testing::TestWithParam<WindowManager>
{
protected:
    // The row in a child of this program on an Xvfb of its own, under openbox with the row's rules.
    void runOnADesktopOfItsOwn()
    {
        QFile shipped(QStringLiteral("/etc/xdg/openbox/rc.xml"));
        ASSERT_TRUE(shipped.open(QIODevice::ReadOnly)) << "openbox's own configuration";
        QByteArray rc = shipped.readAll();
        ASSERT_TRUE(rc.contains("<applications>"));
        QTemporaryDir dir;
        const QString config = dir.filePath(QStringLiteral("rc.xml"));
        writeFile(config, rc.replace("<applications>", QByteArray("<applications>") + GetParam().rules));
        const x11::OwnDesktop desktop(QStringLiteral("openbox"), {QStringLiteral("--config-file"), config});
        ASSERT_TRUE(desktop.problem().isEmpty()) << desktop.problem().toStdString();
        const ::testing::TestInfo *me = ::testing::UnitTest::GetInstance()->current_test_info();
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), desktop.display());
        env.insert(QStringLiteral("MERKOLO_E2E_WM"), QString::fromLatin1(GetParam().name));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=%1.%2").arg(
                                                                 QLatin1String(me->test_suite_name()), QLatin1String(me->name()))});
        ASSERT_TRUE(child.waitForFinished(270000)) << "the row ended in time";
        const QByteArray said = child.readAll();
        EXPECT_TRUE(child.exitCode() == 0 && said.contains("[  PASSED  ] 1 test.")) << said.right(4000).toStdString();
    }
};

} // namespace

TEST_P(MessageBoxE2E, AHundredBoxesInARowOpenAboveTheirOwnerAndTakeReturnAfterAClick)
{
    if (!x11::available())
        GTEST_SKIP() << "needs the Xvfb desktop of scripts/test";
    if (GetParam().rules && qEnvironmentVariable("MERKOLO_E2E_WM") != QLatin1String(GetParam().name))
        return runOnADesktopOfItsOwn();
    RealDesktop desktop;
    Formbilder &store = desktop.forms->get<Formbilder>();
    Textform &text = desktop.forms->get<Textform>();
    store.Show();
    text.Show();
    text.Command12_Click(); // the large layout shows "Speichern"
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&store) && QTest::qWaitForWindowExposed(&text));
    text.move(store.frameGeometry().bottomLeft() + QPoint(0, 40));
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    store.Bildx[0]->setPicture(picture);
    Other other;

    // Each row raises one box; the wrap message comes while the other program is active.
    const struct {
        QPushButton *button;
        const char *before;
        bool background;
    } rows[] = {{store.Command5, "0", false}, {store.Command5, "1", false}, {nullptr, "10", true},
                {text.Command5, "", false},   {text.Command5, "x", false}};
    QStringList failed;
    int boxes = 0;
    bool background = false;
    desktop.messages.whileOpen = [&](const QString &said) {
        QTimer::singleShot(0, [&, said] {
            QPointer<QMessageBox> box;
            const bool mapped = x11::waitUntil([&] { return (box = openMessageBox()) && other.stackIndex(idOf(box)) >= 0; }, 5000);
            const bool above = box && other.stackIndex(idOf(box)) > other.stackIndex(idOf(box->parentWidget()));
            bool keys = true;
            if (box && background) { // typing goes on in the other program; a click on the store brings the box
                const int before = other.keysSoFar();
                xdotool({QStringLiteral("type"), QStringLiteral("hello ")});
                xdotool({QStringLiteral("key"), QStringLiteral("Return")});
                keys = x11::waitUntil([&] { return other.keysSoFar() == before + 7; }, 2000) && other.focus() == other.w;
                clickOn(store.Command12);
                keys = keys && x11::waitUntil([&] { return box && other.focus() == idOf(box); }, 2000)
                       && store.Text1->Text() == QStringLiteral("10");
            } else if (box) { // the program was active: the box has the keyboard at once
                keys = x11::waitUntil([&] { return box && other.focus() == idOf(box); }, 2000);
            }
            if (box)
                clickOn(box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label")));
            if (x11::waitUntil([&] { return box && other.focus() == idOf(box) && box->isActiveWindow(); }, 3000))
                xdotool({QStringLiteral("key"), QStringLiteral("Return")});
            const bool answered = x11::waitUntil([&] { return !box || !box->isVisible(); }, 3000);
            if (box && box->isVisible())
                box->reject();
            if (!(mapped && above && keys && answered))
                failed << QStringLiteral("%1: %2%3%4%5").arg(said).arg(mapped).arg(above).arg(keys).arg(answered);
        });
        QtMessageBox().show(said, vbOKOnly, QString());
        ++boxes;
    };
    for (int i = 0; i < 100; ++i) {
        const auto &row = rows[i % 5];
        background = row.background;
        if (row.button == store.Command5)
            store.Text1->setText(QString::fromLatin1(row.before));
        if (row.button == text.Command5)
            text.Text2->setText(QString::fromLatin1(row.before));
        if (row.button) {
            clickOn(row.button);
        } else {
            xdotool({QStringLiteral("windowactivate"), QString::number(other.w)});
            ASSERT_TRUE(x11::waitUntil([&] { return other.focus() == other.w && !QApplication::activeWindow(); }))
                << "box " << i << ": the other program has the keyboard";
            QTimer::singleShot(0, [&] { store.Text1->setText(QString::fromLatin1(row.before)); });
        }
        ASSERT_TRUE(x11::waitUntil([&] { return boxes == i + 1 && !openMessageBox(); }, 20000)) << "box " << i;
    }
    desktop.messages.whileOpen = nullptr;
    EXPECT_TRUE(failed.isEmpty()) << failed.size() << " of 100: " << failed.join(QStringLiteral(", ")).toStdString();
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, MessageBoxE2E,
                         ::testing::Values(WindowManager{"openbox", nullptr},
                                           WindowManager{"openboxFocusingEveryNewWindow",
                                                         R"(<application class="*"><focus>yes</focus></application>)"}),
                         [](const auto &info) { return std::string(info.param.name); });
