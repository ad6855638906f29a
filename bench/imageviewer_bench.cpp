// The image viewer: the refresh of a 4K slot from the timer's tick to the
// painted window, a resize step in fit mode, repaints of pictures from 1000
// to 10000 pixels square (the cost follows the window, not the picture), and
// the memory the open viewer holds beyond the store.

#include "memory.h"

#include "support/testdesktop.h"

#include "capture/Zwischablage.h"
#include "imagestore/Bilderramen.h"
#include "imagestore/Formbilder.h"

#include <QApplication>
#include <QTest>

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

QImage picture(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(30, 120, 200));
    // Some detail, so that no drawing path can treat it as one colour.
    for (int y = 0; y < h; y += 7)
        for (int x = 0; x < w; x += 5)
            img.setPixel(x, y, qRgb(x % 256, y % 256, (x + y) % 256));
    return img;
}

// The store with `img` in slot 3 and the viewer open on it, `fit` choosing the mode.
struct Open {
    TestDesktop d;
    Formbilder &store;
    Bilderramen *viewer = nullptr;

    Open(const QImage &img, bool fit, QSize window = QSize(800, 600))
        : store(d.forms->get<Formbilder>())
    {
        d.forms->get<Zwischablage>().Picture1->setPicture(img);
        store.Text1->setText(QStringLiteral("3"));
        store.Command17_Click();
        store.Command22_Click();
        viewer = d.forms->find<Bilderramen>();
        viewer->resize(window);
        if (!QTest::qWaitForWindowExposed(viewer))
            qWarning("window not exposed");
        viewer->Check1->setValue(fit ? 1 : 0);
        viewer->Timer1_Timer();
        QCoreApplication::processEvents();
    }
};

void BM_ViewerRefresh4k(benchmark::State &state)
{
    Open o(picture(3840, 2160), state.range(0) != 0);
    for (auto _ : state) {
        o.viewer->Timer1->start();
        o.viewer->Timer1_Timer(); // the tick: reload, label, mode
        o.viewer->repaint();      // and on the screen
    }
    state.SetLabel(state.range(0) ? "fit mode" : "1:1 mode");
}
BENCHMARK(BM_ViewerRefresh4k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_FitModeResizeStep4k(benchmark::State &state)
{
    Open o(picture(3840, 2160), true);
    int step = 0;
    for (auto _ : state) {
        const int w = 800 + (++step % 2 ? 7 : -7);
        o.viewer->resize(w, 600);
        QCoreApplication::processEvents(); // the resize arrives, the mode follows
        o.viewer->repaint();
    }
    state.counters["image_width_px"] = o.viewer->Image1->width();
}
BENCHMARK(BM_FitModeResizeStep4k)->Unit(benchmark::kMillisecond);

// A full repaint of an 800 x 600 viewer on an n x n picture.
void BM_RepaintBySize(benchmark::State &state)
{
    const int n = static_cast<int>(state.range(0));
    const bool fit = state.range(1) != 0;
    const long long before = allocatedBytes();
    Open o(picture(n, n), fit);
    for (auto _ : state)
        o.viewer->repaint();
    state.counters["picture_MiB"] = n * static_cast<double>(n) * 4 / 1048576.0;
    state.counters["held_beyond_picture_MiB"] =
        (allocatedBytes() - before) / 1048576.0 - n * static_cast<double>(n) * 4 / 1048576.0;
    state.SetLabel(fit ? "fit mode" : "1:1 mode");
}
BENCHMARK(BM_RepaintBySize)
    ->ArgsProduct({{1000, 4000, 10000}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// What the open viewer holds beyond the store: its 4K slot is the store's own picture.
void BM_MemoryViewerOpen4k(benchmark::State &state)
{
    for (auto _ : state) {
        TestDesktop d;
        Formbilder &store = d.forms->get<Formbilder>();
        d.forms->get<Zwischablage>().Picture1->setPicture(picture(3840, 2160));
        store.Text1->setText(QStringLiteral("3"));
        store.Command17_Click();
        d.forms->get<Zwischablage>().Picture1->setPicture(QImage()); // only the slot holds it now
        store.Show();
        if (!QTest::qWaitForWindowExposed(&store))
            qWarning("window not exposed");
        QCoreApplication::processEvents();
        const long long closed = allocatedBytes();
        const long rssClosed = residentKiB();
        store.Command22_Click();
        Bilderramen *viewer = d.forms->find<Bilderramen>();
        viewer->resize(800, 600);
        if (!QTest::qWaitForWindowExposed(viewer))
            qWarning("window not exposed");
        viewer->Timer1_Timer();
        viewer->Check1->setValue(1);
        viewer->repaint();
        viewer->Check1->setValue(0);
        viewer->repaint();
        const long long open = allocatedBytes();
        const long rssOpen = residentKiB();
        viewer->Command3_Click();
        TestDesktop::flushDeletes();
        state.counters["heap_closed_MiB"] = closed / 1048576.0;
        state.counters["heap_open_MiB"] = open / 1048576.0;
        state.counters["heap_viewer_MiB"] = (open - closed) / 1048576.0;
        state.counters["rss_viewer_MiB"] = (rssOpen - rssClosed) / 1024.0;
        state.counters["slot_MiB"] = 3840.0 * 2160 * 4 / 1048576.0;
    }
}
BENCHMARK(BM_MemoryViewerOpen4k)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    // Every bitmap in a mapping of its own, returned when freed, so the counts are of what is held now.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
