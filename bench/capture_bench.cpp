// What one capture of a 3840 x 2160 bitmap costs with "Automatisch" ticked
// (preview, slot and thumbnail), and what ten distinct captures hold in memory.

#include "support/testdesktop.h"

#include "app/program.h"
#include "imagestore/Formbilder.h"
#include "imagestore/PaintFitted.h"
#include "platform/services/qtservices.h"
#include "platform/clipboard/x11/x11clipboard.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;

QImage picture(int seed)
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(qRgb(seed * 23 % 256, seed * 71 % 256, seed * 137 % 256));
    return img;
}

// Resident memory of this process in MiB (VmRSS of /proc/self/status).
double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

void BM_Capture4k(benchmark::State &state)
{
    TestDesktop d;
    Formbilder &store = d.forms->get<Formbilder>();
    store.Check1->setValue(1);
    const QImage img = picture(1);
    for (auto _ : state) {
        d.clipboard.setFromOutside(std::nullopt, img);
        benchmark::DoNotOptimize(store.Text1->Text());
    }
    state.counters["slot_filled"] = store.Bildx[0]->hasPicture() ? 1 : 0;
}
BENCHMARK(BM_Capture4k)->Unit(benchmark::kMillisecond);

void BM_PaintFitted4kIntoThumbnail(benchmark::State &state)
{
    TestDesktop d;
    Formbilder &store = d.forms->get<Formbilder>();
    store.Picture1->setPicture(picture(2));
    for (auto _ : state)
        modMain::PaintFitted(69, 45, *store.Picture1, *store.Picture2[5]);
}
BENCHMARK(BM_PaintFitted4kIntoThumbnail)->Unit(benchmark::kMicrosecond);

void BM_ResidentAfterTenDistinctCaptures(benchmark::State &state)
{
    for (auto _ : state) {
        TestDesktop d;
        Formbilder &store = d.forms->get<Formbilder>();
        store.Check1->setValue(1);
        const double before = residentMiB();
        for (int i = 0; i < 10; ++i)
            d.clipboard.setFromOutside(std::nullopt, picture(10 + i)); // only the program keeps it
        const double after = residentMiB();
        int filled = 0;
        for (PictureBox *slot : store.Bildx)
            filled += slot->hasPicture() ? 1 : 0;
        state.counters["rss_before_MiB"] = before;
        state.counters["rss_after_MiB"] = after;
        state.counters["per_capture_MiB"] = (after - before) / 10;
        state.counters["bitmap_MiB"] = kWidth * kHeight * 4 / 1048576.0;
        state.counters["slots_filled"] = filled;
    }
}
BENCHMARK(BM_ResidentAfterTenDistinctCaptures)->Iterations(1)->Unit(benchmark::kMillisecond);

// A picture that compresses like a screenshot: flat areas, gradients, some detail.
QByteArray screenshotPng()
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&img);
    QLinearGradient sky(0, 0, 0, kHeight);
    sky.setColorAt(0, QColor(40, 90, 180));
    sky.setColorAt(1, QColor(230, 240, 255));
    p.fillRect(img.rect(), sky);
    for (int i = 0; i < 200; ++i)
        p.fillRect((i * 397) % kWidth, (i * 211) % kHeight, 300, 24, QColor::fromHsv(i * 7 % 360, 120, 220));
    p.end();
    // A photo-like block that does not compress.
    quint32 x = 12345;
    for (int row = 400; row < 1400; ++row)
        for (int col = 1200; col < 2200; ++col) {
            x = x * 1664525u + 1013904223u;
            img.setPixel(col, row, 0xff000000u | (x >> 8));
        }
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return png;
}

// The whole road on the real X11 clipboard: xclip offers a 4K PNG; the time
// runs from the owner change to the advanced slot number (transfer and
// decoding off the user-interface thread, then preview, slot, thumbnail).
void BM_Capture4kPngFromX11(benchmark::State &state)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb")) {
        state.SkipWithError("needs an X display");
        return;
    }
    user32::ResetDesktop();
    QGuiApplication::clipboard()->setText(QStringLiteral("Anfang"));
    X11Clipboard clipboard;
    QElapsedTimer sinceChange;
    // The clock starts at the owner change, before the content is fetched.
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, [&] { sinceChange.start(); });
    ClipboardBridge bridge(clipboard);
    FakeMessageBox messages;
    FakeBeeper beeper;
    FakeClock clock;
    FakeRoots roots;
    Services services{&clipboard, &messages, &beeper, &clock, &roots, nullptr};
    {
        Forms forms(services);
        program::wire(forms);
        Formbilder &store = forms.get<Formbilder>();
        store.Check1->setValue(1);
        const QByteArray png = screenshotPng();
        for (auto _ : state) {
            const QString before = store.Text1->Text();
            QProcess xclip;
            xclip.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                                                  QStringLiteral("-t"), QStringLiteral("image/png"),
                                                  QStringLiteral("-i")});
            xclip.waitForStarted();
            xclip.write(png);
            xclip.closeWriteChannel();
            QElapsedTimer deadline;
            deadline.start();
            while (store.Text1->Text() == before && deadline.elapsed() < 30000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            state.SetIterationTime(sinceChange.nsecsElapsed() / 1e9);
            xclip.waitForFinished(1000);
        }
        state.counters["png_MiB"] = png.size() / 1048576.0;
    }
    // Taking the selection back ends the last xclip.
    QGuiApplication::clipboard()->setText(QStringLiteral("Ende"));
    user32::ResetDesktop();
}
BENCHMARK(BM_Capture4kPngFromX11)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    // A fixed threshold keeps every bitmap in its own mapping, returned to the
    // system when freed, so that resident memory counts what is held now.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // Offscreen without a display; on a display the X11 road is measured as well.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
