#include "x11.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtGui/qguiapplication_platform.h>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

#include <memory>
#include <vector>

namespace x11 {

namespace {
std::vector<std::unique_ptr<QProcess>> &owners()
{
    static std::vector<std::unique_ptr<QProcess>> list;
    return list;
}
} // namespace

bool available()
{
    const bool there = !qEnvironmentVariableIsEmpty("DISPLAY") && QGuiApplication::platformName() == QLatin1String("xcb");
    // scripts/test always provides a desktop: there a missing one is a failure, not a skip.
    if (!there && !qEnvironmentVariableIsEmpty("MERKOLO_REQUIRE_DISPLAY"))
        ADD_FAILURE() << "no X display although scripts/test started one";
    return there;
}

QByteArray run(const QString &program, const QStringList &args, const QByteArray &input, int timeoutMs,
               int *exitCode)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(timeoutMs))
        return {};
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    QElapsedTimer t;
    t.start();
    // Keep our own event loop turning: the other program may be asking us for the clipboard.
    while (p.state() != QProcess::NotRunning && t.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        p.waitForFinished(5);
    }
    if (p.state() != QProcess::NotRunning) {
        p.kill();
        p.waitForFinished(1000);
    }
    if (exitCode)
        *exitCode = p.exitCode();
    return p.readAllStandardOutput();
}

void setClipboardData(const QByteArray &data, const QString &mimeType)
{
    auto p = std::make_unique<QProcess>();
    p->setProcessChannelMode(QProcess::MergedChannels);
    // In the foreground (-quiet) xclip stays the process we started, so it
    // can be ended by its id; it says when it owns the selection.
    p->start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                                       QStringLiteral("clipboard"), QStringLiteral("-t"), mimeType,
                                       QStringLiteral("-i")});
    p->waitForStarted(5000);
    p->write(data);
    p->closeWriteChannel();
    QByteArray said;
    QElapsedTimer t;
    t.start();
    while (p->state() != QProcess::NotRunning && !said.contains("Waiting for selection") && t.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        p->waitForReadyRead(5);
        said += p->readAll();
    }
    owners().push_back(std::move(p));
}

void setClipboardText(const QString &text)
{
    setClipboardData(text.toUtf8(), QStringLiteral("UTF8_STRING"));
}

void setClipboardImage(const QImage &image)
{
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    image.save(&buf, "PNG");
    setClipboardData(png, QStringLiteral("image/png"));
}

QByteArray readClipboard(const QString &target)
{
    return run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                         QStringLiteral("-t"), target, QStringLiteral("-o")});
}

void stopClipboardOwners()
{
    // Only the owners this process started: anybody else's xclip lives on.
    for (auto &p : owners()) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(2000);
        }
    }
    owners().clear();
}

OwnDesktop::OwnDesktop(const QString &manager, const QStringList &args)
    : m_server(std::make_unique<QProcess>()), m_manager(std::make_unique<QProcess>())
{
    // A display of its own, far above the low numbers Xwayland takes (a
    // lingering one of an ended sway still answers on its abstract socket
    // after its lock file is gone); Xvfb refuses a number that is taken, and
    // the next is tried.
    QString display;
    const int first = 300 + int(QRandomGenerator::global()->bounded(400));
    for (int n = first; n < first + 20 && display.isEmpty(); ++n) {
        m_server = std::make_unique<QProcess>();
        m_server->setStandardOutputFile(QProcess::nullDevice());
        m_server->setStandardErrorFile(QProcess::nullDevice());
        m_server->start(QStringLiteral("Xvfb"), {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"), QStringLiteral("0"),
                                                 QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                                                 QStringLiteral("tcp")});
        // It listens once its socket is there; a refused number ends it.
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(n);
        if (waitUntil([&] { return m_server->state() == QProcess::NotRunning || QFileInfo::exists(socket); }, 10000)
            && m_server->state() != QProcess::NotRunning)
            display = QStringLiteral(":%1").arg(n);
    }
    if (display.isEmpty()) {
        m_problem = QStringLiteral("Xvfb did not start");
        return;
    }
    const auto answers = [&](const QString &program, const QStringList &args) {
        int status = -1;
        const QByteArray said = run(program, QStringList{QStringLiteral("-display"), display} + args, {}, 2000, &status);
        return status == 0 && said.contains(args.isEmpty() ? "name of display" : "window id");
    };
    if (!waitUntil([&] { return answers(QStringLiteral("xdpyinfo"), {}); }, 10000)) {
        m_problem = QStringLiteral("Xvfb on %1 takes no clients").arg(display);
        return;
    }
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    // It manages the display once it has put its check window on the root.
    // A manager that could not open the display at once is started again.
    const QStringList check{QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")};
    bool managing = false;
    for (int attempt = 0; attempt < 3 && !managing; ++attempt) {
        m_manager = std::make_unique<QProcess>();
        m_manager->setProcessEnvironment(env);
        m_manager->setProcessChannelMode(QProcess::MergedChannels);
        m_manager->start(manager, args);
        managing = waitUntil([&] { return m_manager->state() == QProcess::NotRunning || answers(QStringLiteral("xprop"), check); }, 10000)
                && m_manager->state() != QProcess::NotRunning;
    }
    if (!managing) {
        m_problem = QStringLiteral("%1 did not start on %2 (exit status %3): ").arg(manager, display).arg(m_manager->exitCode())
                    + QString::fromLocal8Bit(m_manager->readAll());
        return;
    }
    m_display = display;
}

OwnDesktop::~OwnDesktop()
{
    // Asked to end first, so that the server takes its socket and lock file along.
    for (QProcess *p : {m_manager.get(), m_server.get()}) {
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(3000)) {
                p->kill();
                p->waitForFinished(2000);
            }
        }
    }
}

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(1);
    }
    return true;
}

bool caughtUp(int timeoutMs)
{
    // Events come before the reply to a request made after them.
    if (auto *x = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        std::free(xcb_get_input_focus_reply(x->connection(), xcb_get_input_focus(x->connection()), nullptr));
        QCoreApplication::processEvents();
    }
    xcb_connection_t *c = xcb_connect(nullptr, nullptr);
    const auto atom = [c](const char *name) {
        xcb_intern_atom_reply_t *r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : XCB_NONE;
        std::free(r);
        return a;
    };
    const xcb_screen_t *s = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_window_t w = xcb_generate_id(c);
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, w, s->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, s->root_visual,
                      XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t extents = atom("_NET_FRAME_EXTENTS");
    xcb_client_message_event_t ask{};
    ask.response_type = XCB_CLIENT_MESSAGE;
    ask.format = 32;
    ask.window = w;
    ask.type = atom("_NET_REQUEST_FRAME_EXTENTS");
    xcb_send_event(c, 0, s->root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char *>(&ask));
    xcb_flush(c);
    bool answered = false;
    waitUntil([&] {
        while (xcb_generic_event_t *e = xcb_poll_for_event(c)) {
            answered = answered || ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY
                                    && reinterpret_cast<xcb_property_notify_event_t *>(e)->atom == extents);
            std::free(e);
        }
        return answered;
    }, timeoutMs);
    xcb_disconnect(c);
    return answered;
}

} // namespace x11
