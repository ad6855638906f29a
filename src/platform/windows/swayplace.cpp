#include "platform/windows/swayplace.h"

#include "platform/services/x11connection.h"
#include "platform/windows/swayipc.h"

#include <QDateTime>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

namespace swayplace {

namespace {

constexpr const char *kPlace = "merkolo.sway.place";     // the frame's place as stated, toolkit pixels
constexpr const char *kPlacing = "merkolo.sway.placing"; // a move asked of sway is on its way
constexpr const char *kSent = "merkolo.sway.sent";       // the frame's place last asked, device pixels
constexpr const char *kUntil = "merkolo.sway.until";     // until when a landing answers our move, ms since the epoch
constexpr const char *kLanded = "merkolo.sway.landed";   // the content's place as sway last set it
constexpr const char *kSettled = "merkolo.sway.settled"; // that place is where our move or the user put it
constexpr const char *kAgain = "merkolo.sway.again";     // moves asked again since the place was stated
// sway knows an X11 window a moment after the X server has mapped it: a
// move that finds no window is tried again, for a second at most.
constexpr int kTries = 40;
constexpr int kRetryMs = 25;
// For this time after a move was asked, a landing elsewhere is sway
// centring the window once more (the toolkit's own requests of a window
// just mapped), and the move is asked again, a few times at most.
constexpr qint64 kReportMs = 2000;
constexpr int kMaxAgain = 5;

// The content's offset within sway's frame, device pixels, as sway last
// reported it: it draws the same frame around every floating window.
QPoint g_frame;

void move(QWidget *window, xcb_window_t win, QPoint frame, const std::function<void()> &again);

qint64 now()
{
    return QDateTime::currentMSecsSinceEpoch();
}

xcb_window_t nativeOf(const QWidget *w)
{
    const QWindow *h = w->testAttribute(Qt::WA_WState_Created) ? w->windowHandle() : nullptr;
    return h && h->handle() ? static_cast<xcb_window_t>(h->winId()) : XCB_NONE;
}

double ratio(const QWidget *w)
{
    return w->windowHandle() ? w->windowHandle()->devicePixelRatio() : 1.0;
}

void placeFrom(QWidget *window, int attempt)
{
    xcb_connection_t *c = x11::connection();
    const xcb_window_t win = c ? nativeOf(window) : XCB_NONE;
    if (!win || !active() || window->property(kPlacing).toBool())
        return;
    // The frame no further up or left than the screen's usable area,
    // where its title bar could not be taken.
    QPoint frame = window->property(kPlace).toPoint() * ratio(window);
    if (const QScreen *screen = window->screen()) {
        const QPoint origin = screen->availableGeometry().topLeft() * ratio(window);
        frame = QPoint(std::max(frame.x(), origin.x()), std::max(frame.y(), origin.y()));
    }
    // Our own requests of the window reach sway before it is asked: a round
    // trip to the X server has them sent on.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    window->setProperty(kPlacing, true);
    auto again = [window = QPointer<QWidget>(window), attempt] {
        if (!window)
            return;
        window->setProperty(kPlacing, false);
        if (attempt + 1 >= kTries)
            window->setProperty(kUntil, 0);
        else
            QTimer::singleShot(kRetryMs, window, [window, attempt] {
                if (window && window->isVisible())
                    placeFrom(window, attempt + 1);
            });
    };
    // First whether sway knows the window, and its frame once drawn.
    swayipc::ask(swayipc::kGetTree, {}, [window = QPointer<QWidget>(window), win, frame, again](const std::optional<QByteArray> &tree) {
        const std::optional<swayipc::Framed> seen = tree ? swayipc::framed(*tree, win) : std::nullopt;
        if (!window || !seen) {
            again();
            return;
        }
        if (seen->drawn)
            g_frame = seen->content;
        move(window, win, frame, again);
    });
}

void move(QWidget *window, xcb_window_t win, QPoint frame, const std::function<void()> &again)
{
    swayipc::run("[id=" + QByteArray::number(win) + "] move absolute position " + QByteArray::number(frame.x()) + ' '
                     + QByteArray::number(frame.y()),
                 [window = QPointer<QWidget>(window), frame, again](bool ok) {
                     if (!window)
                         return;
                     if (!ok) {
                         again();
                         return;
                     }
                     window->setProperty(kPlacing, false);
                     window->setProperty(kSent, frame);
                     window->setProperty(kUntil, now() + kReportMs);
                 });
}

} // namespace

bool active()
{
    // sway's windows are those of its Xwayland: on another X server (a
    // nested or virtual one started from a sway session) the ids name
    // other windows, which are left alone.
    // Xwayland names its screens XWAYLAND0, XWAYLAND1 and so on.
    const QScreen *screen = QGuiApplication::primaryScreen();
    const bool onXwayland = x11::connection() && screen && screen->name().startsWith(QLatin1String("XWAYLAND"));
    return onXwayland && !swayipc::socketPath().isEmpty();
}

void state(QWidget *window)
{
    const QPoint at = window->pos();
    const QVariant landed = window->property(kLanded);
    if (landed.isValid() && landed.toPoint() == at) {
        // A place sway gave: where our move or the user put the frame,
        // around this content; else sway's centring, and the place stated
        // before holds.
        const double r = ratio(window);
        if (window->property(kSettled).toBool())
            window->setProperty(kPlace, at - QPoint(qRound(g_frame.x() / r), qRound(g_frame.y() / r)));
        else if (!window->property(kPlace).isValid())
            window->setProperty(kPlace, at);
    } else {
        window->setProperty(kPlace, at);
    }
    window->setProperty(kAgain, 0);
}

void place(QWidget *window)
{
    window->setProperty(kUntil, now() + kReportMs);
    placeFrom(window, 0);
}

void reported(QWidget *window)
{
    window->setProperty(kLanded, window->pos());
    if (now() > window->property(kUntil).toLongLong()) {
        // No move asked of sway lately: the user's or sway's own, kept.
        window->setProperty(kSettled, true);
        return;
    }
    const QVariant sent = window->property(kSent);
    if (sent.isValid() && window->pos() * ratio(window) == sent.toPoint() + g_frame) {
        window->setProperty(kSettled, true);
        return;
    }
    // Centred once more (or by the frame not yet known, off by it).
    window->setProperty(kSettled, false);
    const int again = window->property(kAgain).toInt();
    if (!window->property(kPlacing).toBool() && again < kMaxAgain) {
        window->setProperty(kAgain, again + 1);
        place(window);
    }
}

} // namespace swayplace
