// Latency from another program's copy (xclip on the real X11 clipboard) to
// the entry in the text list: median and 90th percentile over 200 changes.
// Needs a display: run under scripts/xdesktop.

#include "realdesktop.h"
#include "x11bench.h"

#include "textstore/Textform.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!haveDisplay())
        return 1;
    const int changes = argc > 1 ? std::atoi(argv[1]) : 200;
    RealDesktop desktop;
    x11::waitUntil([&] { return desktop.clipboard.snapshots() > 0; });
    Textform &t = desktop.forms->get<Textform>();
    t.Check1->setValue(1);
    ListBox &list = *t.List1[0];

    std::vector<double> fromStart, fromOwner;
    for (int i = 0; i < changes; ++i) {
        const int before = list.ListCount();
        QElapsedTimer clock;
        clock.start();
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-i")});
        xclip.write(QStringLiteral("Messung %1").arg(i).toUtf8());
        xclip.closeWriteChannel();
        // xclip's parent exits once its child owns the clipboard.
        double owned = -1;
        x11::waitUntil([&] {
            if (owned < 0 && xclip.state() == QProcess::NotRunning)
                owned = clock.nsecsElapsed() / 1e6;
            return list.ListCount() > before;
        }, 5000);
        const double done = clock.nsecsElapsed() / 1e6;
        if (list.ListCount() <= before) {
            std::fprintf(stderr, "change %d was not captured\n", i);
            continue;
        }
        fromStart.push_back(done);
        if (owned >= 0)
            fromOwner.push_back(std::max(0.0, done - owned));
        xclip.waitForFinished(1000);
    }
    reportMs("xclip started -> entry in the list", fromStart);
    if (!fromOwner.empty())
        reportMs("xclip owns the clipboard -> entry in the list", fromOwner);
    x11::stopClipboardOwners();
    return 0;
}
