// What "Kopieren" and "Speichern" of a 3840 x 2160 slot cost on the real X11
// desktop: the time until another program (xclip) has read the copy as PNG,
// the longest stretch the window thread was busy meanwhile, the memory the
// offer holds, and the BMP save. For comparison, the same read when Qt
// itself serves the picture (QClipboard::setImage). Needs a display: run
// under scripts/xdesktop. Usage: bench_imagecopy [width height]

#include "memory.h"
#include "pictures.h"
#include "realdesktop.h"
#include "x11bench.h"

#include "capture/Zwischablage.h"
#include "imagestore/Formbilder.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <cstdio>

namespace {

// The longest time between two turns of the event loop while it is watched.
class LoopWatch
{
public:
    LoopWatch()
    {
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    double longestMs() const { return std::max(m_longest, m_clock.nsecsElapsed() - m_last) / 1e6; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// Another program reads the clipboard as PNG; returns the bytes it got.
QByteArray readPng()
{
    return x11::run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                                              QStringLiteral("image/png"), QStringLiteral("-o")},
                    {}, 300000);
}

double mib(long long bytes)
{
    return bytes / 1048576.0;
}

// Empties the clipboard of earlier pictures, then slot 3, the working and the held picture take `img`.
void prepare(RealDesktop &desktop, const QImage &img)
{
    const int snapshots = desktop.clipboard.snapshots();
    QGuiApplication::clipboard()->setText(QStringLiteral("leer"));
    x11::waitUntil([&] { return desktop.clipboard.snapshots() > snapshots; }, 30000);
    Formbilder &f = desktop.forms->get<Formbilder>();
    desktop.forms->get<Zwischablage>().Picture1->setPicture(img);
    f.Text1->setText(QStringLiteral("3"));
    f.Command17_Click();
}

void copyOnce(RealDesktop &desktop, const char *what, const QImage &img)
{
    Formbilder &f = desktop.forms->get<Formbilder>();
    prepare(desktop, img);
    const int snapshots = desktop.clipboard.snapshots();
    const long long heapBefore = allocatedBytes();

    LoopWatch watch;
    QElapsedTimer clock;
    clock.start();
    f.Command19_Click();
    x11::waitUntil([&] { return !desktop.clipboard.offerPending(); }, 300000);
    const double onOffer = clock.nsecsElapsed() / 1e6;
    const long long heapOnOffer = allocatedBytes();
    const qsizetype pngBytes = readPng().size();
    const double read = clock.nsecsElapsed() / 1e6;
    const double longest = watch.longestMs();
    // The copy comes back through the capture path (the working picture takes it).
    x11::waitUntil([&] { return desktop.clipboard.snapshots() > snapshots; }, 30000);
    const long long heapCaptured = allocatedBytes();

    std::printf("%-10s %dx%d  Kopieren -> on the clipboard %7.0f ms, -> read by xclip as PNG %7.0f ms "
                "(%.1f MiB); window thread busy at most %5.0f ms\n",
                what, img.width(), img.height(), onOffer, read, mib(pngBytes), longest);
    std::printf("%-10s heap beyond the slot's %.1f MiB: on offer +%.1f MiB; once the copy came back through the "
                "capture (a decoded picture of its own) +%.1f MiB\n",
                "", mib(img.sizeInBytes()), mib(heapOnOffer - heapBefore), mib(heapCaptured - heapBefore));
}

void qtServes(const char *what, const QImage &img)
{
    LoopWatch watch;
    QElapsedTimer clock;
    clock.start();
    QGuiApplication::clipboard()->setImage(img);
    readPng();
    std::printf("%-10s for comparison, Qt serving it itself: read by xclip %7.0f ms, window thread busy at most "
                "%5.0f ms\n",
                what, clock.nsecsElapsed() / 1e6, watch.longestMs());
}

void saveOnce(RealDesktop &desktop, const char *what, const QImage &img)
{
    Formbilder &f = desktop.forms->get<Formbilder>();
    prepare(desktop, img);
    const long long heapBefore = allocatedBytes();
    QElapsedTimer clock;
    clock.start();
    f.Command5_Click();
    const double ms = clock.nsecsElapsed() / 1e6;
    const QFileInfo file(QDir(desktop.roots.current).filePath(QStringLiteral("bilder/Bild-3.bmp")));
    std::printf("%-10s Speichern (BMP, %.1f MiB) %6.0f ms, heap after +%.1f MiB; %s\n", what, mib(file.size()), ms,
                mib(allocatedBytes() - heapBefore),
                desktop.messages.calls.empty() ? "no message" : qPrintable(desktop.messages.calls.back().text));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!haveDisplay())
        return 1;
    const int w = argc > 2 ? std::atoi(argv[1]) : 3840;
    const int h = argc > 2 ? std::atoi(argv[2]) : 2160;
    RealDesktop desktop;
    x11::waitUntil([&] { return desktop.clipboard.snapshots() > 0; });
    const std::pair<const char *, QImage> pictures[] = {{"photo", benchpictures::photo(w, h)},
                                                          {"screen", benchpictures::screen(w, h)}};
    for (const auto &[what, img] : pictures) {
        copyOnce(desktop, what, img);
        saveOnce(desktop, what, img);
    }
    for (const auto &[what, img] : pictures)
        qtServes(what, img);
    QGuiApplication::clipboard()->setText(QStringLiteral("Ende"));
    return 0;
}
