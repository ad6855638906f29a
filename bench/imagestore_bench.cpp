// The image store of the real program, measured from outside on the real
// X11 desktop, for one or more builds in one run (e.g. before and after a
// change): 10 distinct 3840 x 2160 PNG captures of each kind (photo-like,
// screenshot-like and smooth gradients, which compress well) with "Automatisch" ticked, offered by xclip: the time from
// the owner change to the new thumbnail on screen, resident and
// proportional memory after the ten, "Kopieren" until the clipboard is owned
// and until xclip has read all of image/png (and image/bmp), then
// "löschen" and the memory a while later.
// Needs a display with a window manager: run under scripts/xdesktop.
// Usage: bench_imagestore [--wait seconds] [--n captures] [--kind name] binary[@GLIBC_TUNABLES] ...

#include "pictures.h"
#include "program.h"
#include "x11bench.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScreen>

#include <cstdio>

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
const QString kStore = QStringLiteral("Merkolo, Quenta");

// Rss and Pss of a process in MiB (smaps_rollup).
std::pair<double, double> memoryMiB(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    double rss = 0, pss = 0;
    if (f.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : f.readAll().split('\n')) {
            const QList<QByteArray> w = line.simplified().split(' ');
            if (w.size() >= 2 && w[0] == "Rss:")
                rss = w[1].toDouble() / 1024;
            else if (w.size() >= 2 && w[0] == "Pss:")
                pss = w[1].toDouble() / 1024;
        }
    }
    return {rss, pss};
}

// A point of the store window's client area, given in twips of the window.
QPoint at(const QRect &client, int left, int top, int width, int height)
{
    return client.topLeft() + QPoint((left + width / 2) / 15, (top + height / 2) / 15);
}

QImage grab(const QRect &r)
{
    return QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
}

// Closes a message box of the program (the ring's "Ende" message) with Return.
void closeMessageBox()
{
    const QByteArray ids = x11::run(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                                QStringLiteral("--name"), QStringLiteral("^Merkolo$")});
    for (const QByteArray &id : ids.split('\n')) {
        if (id.trimmed().isEmpty())
            continue;
        x11::run(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                             QString::fromLatin1(id.trimmed()), QStringLiteral("key"), QStringLiteral("Return")});
    }
}

QByteArray readAs(const QString &type)
{
    return x11::run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                                              type, QStringLiteral("-o")},
                    {}, 60000);
}

struct Kind {
    const char *name;
    QList<QByteArray> pngs;
};

void runKind(e2e::Program &program, const QRect &client, const Kind &kind, int waitSeconds, const char *label)
{
    double encoded = 0;
    for (const QByteArray &p : kind.pngs)
        encoded += p.size() / 1048576.0;
    encoded /= kind.pngs.size();
    const auto idle = memoryMiB(program.pid());
    QElapsedTimer sinceChange;
    auto *board = QGuiApplication::clipboard();
    const auto stamp = QObject::connect(board, &QClipboard::dataChanged, [&] { sinceChange.start(); });
    std::vector<double> captures;
    for (int i = 0; i < kind.pngs.size(); ++i) {
        const int slot = i % 10;
        const QRect thumb(at(client, 1320 + 1080 * slot, 0, 1095, 735) - QPoint(30, 20), QSize(60, 40));
        const QImage before = grab(thumb);
        sinceChange.invalidate();
        x11::setClipboardData(kind.pngs[i], QStringLiteral("image/png"));
        const bool shown = x11::waitUntil([&] { return grab(thumb) != before; }, 30000);
        if (shown && sinceChange.isValid())
            captures.push_back(sinceChange.nsecsElapsed() / 1e6);
        if (slot == 9) {
            x11::waitUntil([] { return false; }, 300);
            closeMessageBox();
        }
    }
    x11::waitUntil([] { return false; }, 2000);
    const auto held = memoryMiB(program.pid());
    std::printf("%s %-7s capture owner change -> thumbnail on screen:\n", label, kind.name);
    reportMs("", captures);
    std::printf("%s %-7s after %lld captures (PNG %.1f MiB each): Rss %.0f MiB (+%.1f per capture), Pss %.0f MiB "
                "(+%.1f per capture)\n",
                label, kind.name, static_cast<long long>(kind.pngs.size()), encoded, held.first,
                (held.first - idle.first) / kind.pngs.size(), held.second,
                (held.second - idle.second) / kind.pngs.size());

    // "Kopieren" of the current slots, three times.
    std::vector<double> owned, ownedAfterClick, readPng;
    qsizetype pngBytes = 0, bmpBytes = 0;
    double readBmp = 0;
    const QPoint kopieren = at(client, 1320, 960, 975, 375);
    x11::run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QString::number(kopieren.x()), QString::number(kopieren.y())});
    for (int i = 0; i < 3; ++i) {
        x11::setClipboardData("leer", QStringLiteral("UTF8_STRING"));
        x11::waitUntil([] { return false; }, 500);
        QElapsedTimer clock;
        bool changed = false;
        const auto seen = QObject::connect(board, &QClipboard::dataChanged, [&] { changed = true; });
        clock.start();
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
        // xdotool has sent the click when it ends; its start-up before the click is not the program's.
        const double clicked = clock.nsecsElapsed() / 1e6;
        x11::waitUntil([&] { return changed; }, 30000);
        owned.push_back(clock.nsecsElapsed() / 1e6);
        ownedAfterClick.push_back(owned.back() - clicked);
        QObject::disconnect(seen);
        pngBytes = readAs(QStringLiteral("image/png")).size();
        readPng.push_back(clock.nsecsElapsed() / 1e6);
        QElapsedTimer bmpClock;
        bmpClock.start();
        bmpBytes = readAs(QStringLiteral("image/bmp")).size();
        readBmp = bmpClock.nsecsElapsed() / 1e6;
        x11::waitUntil([] { return false; }, 1000); // the copy comes back through the capture
    }
    std::printf("%s %-7s Kopieren click ->", label, kind.name);
    reportMs(" clipboard owned (xdotool start-up in)", owned);
    std::printf("%s %-7s Kopieren click ->", label, kind.name);
    reportMs(" clipboard owned (from xdotool's end)", ownedAfterClick);
    std::printf("%s %-7s Kopieren click ->", label, kind.name);
    reportMs(" xclip read all image/png", readPng);
    std::printf("%s %-7s image/png %.1f MiB; image/bmp %.1f MiB read in %.0f ms\n", label, kind.name,
                pngBytes / 1048576.0, bmpBytes / 1048576.0, readBmp);

    // "löschen", then the memory a while later.
    x11::setClipboardData("leer", QStringLiteral("UTF8_STRING"));
    x11::waitUntil([] { return false; }, 1000);
    e2e::click(at(client, 0, 960, 855, 375));
    x11::waitUntil([] { return false; }, waitSeconds * 1000);
    const auto emptied = memoryMiB(program.pid());
    std::printf("%s %-7s idle at start Rss %.0f Pss %.0f MiB; %d s after löschen Rss %.0f (%+.1f) Pss %.0f (%+.1f) MiB\n",
                label, kind.name, idle.first, idle.second, waitSeconds, emptied.first, emptied.first - idle.first,
                emptied.second, emptied.second - idle.second);
    QObject::disconnect(stamp);
    x11::stopClipboardOwners();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!haveDisplay())
        return 1;
    int waitSeconds = 60;
    int count = 10;
    QString only;
    QStringList builds;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--wait") && i + 1 < argc)
            waitSeconds = std::atoi(argv[++i]);
        else if (a == QLatin1String("--n") && i + 1 < argc)
            count = std::atoi(argv[++i]);
        else if (a == QLatin1String("--kind") && i + 1 < argc)
            only = QString::fromLocal8Bit(argv[++i]);
        else
            builds << a;
    }
    if (builds.isEmpty()) {
        std::fprintf(stderr, "usage: bench_imagestore [--wait seconds] [--n captures] [--kind photo|screen|gradient] "
                             "binary[@GLIBC_TUNABLES] ...\n");
        return 1;
    }
    std::printf("making %d distinct %dx%d pictures of each kind ...\n", count, kWidth, kHeight);
    std::fflush(stdout);
    Kind kinds[] = {{"photo", {}}, {"screen", {}}, {"gradient", {}}};
    for (int i = 0; i < count; ++i) {
        const auto want = [&](const char *name) { return only.isEmpty() || only == QLatin1String(name); };
        if (want("photo"))
            kinds[0].pngs << benchpictures::png(benchpictures::photo(kWidth, kHeight, i));
        if (want("screen"))
            kinds[1].pngs << benchpictures::png(benchpictures::screen(kWidth, kHeight, i));
        if (want("gradient"))
            kinds[2].pngs << benchpictures::png(benchpictures::gradient(kWidth, kHeight, i));
    }
    for (int b = 0; b < builds.size(); ++b) {
        const QStringList parts = builds[b].split(QLatin1Char('@'));
        const QString binary = QFileInfo(parts[0]).absoluteFilePath();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        if (parts.size() > 1)
            env.insert(QStringLiteral("GLIBC_TUNABLES"), parts[1]);
        const QByteArray label = QStringLiteral("[%1]").arg(b + 1).toLatin1();
        std::printf("%s %s%s\n", label.constData(), qPrintable(binary),
                    parts.size() > 1 ? qPrintable(QStringLiteral(" with GLIBC_TUNABLES=") + parts[1]) : "");
        for (const Kind &kind : kinds) {
            if (kind.pngs.isEmpty())
                continue;
            // A program of its own for each kind, so that each starts from its idle figure.
            e2e::Program program(binary, env, QFileInfo(binary).absolutePath());
            std::optional<QRect> selector;
            x11::waitUntil([&] { return (selector = e2e::visibleWindow(QStringLiteral("Merkolo-Auswahl: Quenta"))).has_value(); },
                           15000);
            if (!selector) {
                std::fprintf(stderr, "the selector window did not appear\n");
                return 1;
            }
            // "Bilder-Speicher-Liste" opens the image store.
            e2e::click(selector->topLeft() + QPoint(1935 / 2 / 15, (510 + 255 / 2) / 15));
            std::optional<QRect> client;
            x11::waitUntil([&] { return (client = e2e::visibleWindow(kStore)).has_value(); }, 10000);
            if (!client) {
                std::fprintf(stderr, "the image store did not appear\n");
                return 1;
            }
            e2e::click(at(*client, 8640, 1170, 1215, 255)); // "Automatisch"
            x11::waitUntil([] { return false; }, 2000);
            runKind(program, *client, kind, waitSeconds, label.constData());
            std::fflush(stdout);
        }
    }
    QGuiApplication::clipboard()->setText(QStringLiteral("Ende"));
    return 0;
}
