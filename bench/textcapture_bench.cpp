// Cost of one text capture through the viewer chain into the text list, and
// memory per stored entry. Runs offscreen with the fake clipboard.

#include "memory.h"

#include "support/testdesktop.h"
#include "textstore/Textform.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace {

void fillTo(Textform &t, int count)
{
    ListBox &list = *t.List1[0];
    while (list.ListCount() < count)
        list.AddItem(QStringLiteral("Eintrag %1").arg(list.ListCount()));
}

// state.range(0): entries already in the list; state.range(1): characters per text.
void BM_TextCapture(benchmark::State &state)
{
    TestDesktop d;
    Textform &t = d.forms->get<Textform>();
    t.Check1->setValue(1);
    fillTo(t, static_cast<int>(state.range(0)));
    const QString body(static_cast<int>(state.range(1)), QLatin1Char('x'));
    long i = 0;
    for (auto _ : state) {
        d.clipboard.setFromOutside(QString::number(++i) + body);
        if (t.List1[0]->ListCount() < ListModel::kMaxEntries - 1)
            continue;
        state.PauseTiming();
        // Keep the list at its size: a full list stays full, a nearly full one is trimmed back.
        while (t.List1[0]->ListCount() > state.range(0))
            t.List1[0]->RemoveItem(t.List1[0]->ListCount() - 1);
        state.ResumeTiming();
    }
    state.counters["entries"] = t.List1[0]->ListCount();
}
BENCHMARK(BM_TextCapture)->Args({0, 20})->Args({32766, 20})->Args({32767, 20})->Args({0, 32000})->Args({32767, 32000})
    ->Unit(benchmark::kMicrosecond);

void reportMemoryPerEntry()
{
    for (int chars : {20, 200, 2000}) {
        TestDesktop d;
        Textform &t = d.forms->get<Textform>();
        t.Check1->setValue(1);
        const int n = 20000;
        const long long before = heapBytesInUse();
        for (int i = 0; i < n; ++i)
            d.clipboard.setFromOutside(QStringLiteral("%1 ").arg(i) + QString(chars, QLatin1Char('m')));
        const long long after = heapBytesInUse();
        std::printf("memory per entry of %d characters: %.0f bytes on the heap (%d entries)\n", chars,
                    double(after - before) / n, n);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    reportMemoryPerEntry();
    return 0;
}
