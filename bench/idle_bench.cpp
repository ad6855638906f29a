// The program at rest: CPU time (clock ticks) and wake-ups (context switches
// of all its threads) over 30 s with nothing happening, first with the
// selector window shown, then in the tray with the text store open. Goal: 0.
// Needs a display with a window manager and a tray host: run under scripts/xdesktop.
// Usage: bench_idle [seconds]

#include "program.h"
#include "x11bench.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <unistd.h>

namespace {

// User plus system time of the process so far, in clock ticks.
long long ticks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // Fields after the command name in parentheses; utime and stime are the 14th and 15th.
    const QList<QByteArray> f = line.mid(line.lastIndexOf(')') + 2).split(' ');
    return f.size() > 12 ? f[11].toLongLong() + f[12].toLongLong() : -1;
}

void measure(const char *state, qint64 pid, int seconds)
{
    x11::waitUntil([] { return false; }, 1000); // settle
    const long long t0 = ticks(pid);
    const qint64 w0 = e2e::wakeUps(pid);
    x11::waitUntil([] { return false; }, seconds * 1000);
    std::printf("%-40s %3lld clock ticks (%.0f ms CPU), %lld wake-ups in %d s\n", state, ticks(pid) - t0,
                (ticks(pid) - t0) * 1000.0 / sysconf(_SC_CLK_TCK), static_cast<long long>(e2e::wakeUps(pid) - w0),
                seconds);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!haveDisplay())
        return 1;
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    e2e::Program program;
    std::optional<QRect> selector;
    x11::waitUntil([&] { return (selector = e2e::visibleWindow(QStringLiteral("Merkolo-Auswahl: Quenta"))).has_value(); },
                   15000);
    if (!selector) {
        std::fprintf(stderr, "the selector window did not appear\n");
        return 1;
    }
    measure("selector window shown:", program.pid(), seconds);
    // "Text-Speicher-Liste": the text store opens, the selector goes to the tray.
    e2e::click(selector->topLeft() + QPoint((2040 + 1695 / 2) / 15, (510 + 255 / 2) / 15));
    x11::waitUntil([] { return e2e::visibleWindow(QStringLiteral("Merkolo-Text")).has_value(); }, 10000);
    measure("in the tray, text store open:", program.pid(), seconds);
    return 0;
}
