// Capture through Wayland data control beside the X11 route: latency from
// another program's copy (wl-copy on a headless sway, its type given, since
// guessing it takes wl-copy some 200 ms; xclip on X11) to the
// entry in the text list, one copy at a time, median and 90th percentile;
// then the share of 200 texts captured when they are copied 10, 5 and 2 ms
// apart. Then, on Wayland, owner gone -> content back: wl-copy is killed
// once its text is stored, and a client of the benchmark's own sees the
// clipboard go empty and our put-back arrive. Needs a display
// (scripts/xdesktop) and sway; run as root, a user is made for sway and
// removed again.
// Usage: bench_waylandlatency [copies]

#include "realdesktop.h"
#include "sway.h"
#include "x11bench.h"

#include "platform/clipboard/wayland/datacontrol.h"
#include "platform/clipboard/wayland/waylandclipboard.h"
#include "textstore/Textform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSet>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

// A copy by the route's foreign program, left running in the foreground so
// that it is ended by its id.
std::unique_ptr<QProcess> copy(bool wayland, const QString &text)
{
    auto p = std::make_unique<QProcess>();
    if (wayland)
        p->start(QStringLiteral("wl-copy"), {QStringLiteral("--foreground"), QStringLiteral("--type"),
                                             QStringLiteral("text/plain;charset=utf-8")});
    else
        p->start(QStringLiteral("xclip"), {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                                           QStringLiteral("clipboard"), QStringLiteral("-i")});
    p->write(text.toUtf8());
    p->closeWriteChannel();
    return p;
}

template <class C> void measure(bool wayland, int copies)
{
    const char *route = wayland ? "Wayland data control (wl-copy)" : "X11 (xclip)";
    DesktopWith<C> desktop;
    x11::waitUntil([&] { return desktop.clipboard.snapshots() > 0; });
    Textform &t = desktop.forms->template get<Textform>();
    t.Check1->setValue(1);
    ListBox &list = *t.List1[0];
    std::vector<std::unique_ptr<QProcess>> owners;

    std::vector<double> ms;
    for (int i = 0; i < copies; ++i) {
        const int before = list.ListCount();
        QElapsedTimer clock;
        clock.start();
        owners.push_back(copy(wayland, QStringLiteral("Messung %1").arg(i)));
        if (x11::waitUntil([&] { return list.ListCount() > before; }, 5000))
            ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("%s\n", route);
    reportMs("  copy started -> entry in the list", ms);

    for (const int gapMs : {10, 5, 2}) {
        QSet<QString> sent;
        for (int i = 0; i < 200; ++i) {
            const QString text = QStringLiteral("Serie %1 Nr. %2").arg(gapMs).arg(i);
            sent << text;
            owners.push_back(copy(wayland, text));
            QElapsedTimer gap;
            gap.start();
            while (gap.elapsed() < gapMs)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        // Done once nothing new has come for a second.
        int count = -1;
        while (count != list.ListCount()) {
            count = list.ListCount();
            x11::waitUntil([] { return false; }, 1000);
        }
        int captured = 0;
        for (const QString &e : list.entries()->entries())
            captured += sent.contains(e);
        std::printf("  200 texts %2d ms apart: %3d captured (%5.1f %%)\n", gapMs, captured, captured / 2.0);
    }
    for (auto &p : owners) {
        p->kill();
        p->waitForFinished(2000);
    }
}

// Another client on the compositor: when the clipboard went empty, and when our put-back arrived.
struct Watcher : DataControl::Listener {
    using Clock = std::chrono::steady_clock;
    std::atomic<qint64> emptied{0}, back{0}; // ns on the steady clock, 0: not yet
    std::atomic<bool> stop{false};
    std::set<wl_proxy *> kept;
    DataControl *dc = nullptr;
    std::thread thread{[this] {
        DataControl own(*this, 5000);
        dc = &own;
        while (!stop && own.pump(50)) {
        }
    }};
    ~Watcher()
    {
        stop = true;
        thread.join();
    }
    static qint64 now() { return Clock::now().time_since_epoch().count(); }
    void offerIntroduced(wl_proxy *) override {}
    void offerType(wl_proxy *offer, const char *mime) override
    {
        if (std::strcmp(mime, DataControlReader::kKeptType) == 0)
            kept.insert(offer);
    }
    void selection(wl_proxy *offer) override
    {
        if (!offer)
            emptied = now();
        else if (kept.erase(offer))
            back = now();
        if (offer)
            dc->destroyOffer(offer);
    }
    void primarySelection(wl_proxy *offer) override
    {
        if (offer)
            dc->destroyOffer(offer);
    }
    void deviceFinished() override {}
    void sendRequested(wl_proxy *, const char *, int fd) override { ::close(fd); }
    void sourceCancelled(wl_proxy *) override {}
};

void measureKeeping(int rounds)
{
    DesktopWith<WaylandClipboard> desktop;
    x11::waitUntil([&] { return desktop.clipboard.snapshots() > 0; });
    Watcher watcher;
    std::vector<double> fromEmpty, fromKill;
    for (int i = 0; i < rounds; ++i) {
        const int before = desktop.bridge->delivered();
        auto owner = copy(true, QStringLiteral("Eigentümer weg %1").arg(i));
        if (!x11::waitUntil([&] { return desktop.bridge->delivered() > before; }))
            continue;
        watcher.emptied = watcher.back = 0;
        const qint64 killed = Watcher::now();
        owner->kill();
        if (!x11::waitUntil([&] { return watcher.back != 0; }, 2000)) {
            std::fprintf(stderr, "round %d: nothing came back\n", i);
            continue;
        }
        fromEmpty.push_back((watcher.back - watcher.emptied) / 1e6);
        fromKill.push_back((watcher.back - killed) / 1e6);
        owner->waitForFinished(2000);
    }
    std::printf("Wayland data control, the clipboard outliving its owner (wl-copy killed)\n");
    reportMs("  clipboard empty -> content back", fromEmpty);
    reportMs("  owner killed -> content back", fromKill);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!haveDisplay())
        return 1;
    const int copies = argc > 1 ? std::atoi(argv[1]) : 200;
    {
        Sway sway;
        if (!sway.problem().isEmpty()) {
            std::fprintf(stderr, "sway cannot start: %s\n", qPrintable(sway.problem()));
            return 1;
        }
        qputenv("WAYLAND_DISPLAY", sway.display().toLocal8Bit());
        measure<WaylandClipboard>(true, copies);
        measureKeeping(std::min(copies, 100));
        qunsetenv("WAYLAND_DISPLAY");
    }
    measure<X11Clipboard>(false, copies);
    return 0;
}
