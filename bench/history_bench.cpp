// The history's cost and its promise, side by side with the stores in memory:
// - capture of a text into the list without and with the history (in process,
//   fake clipboard), and of a 4K picture into a slot;
// - 200 kills at random moments during bursts of copies: the history always
//   opens and holds every entry handed over more than 100 ms before the kill,
//   in order, none twice;
// - a full history (32 767 texts, ten 4K photos): how long the text store and
//   the image store take to show it, and the file's size against what it holds.

#include "pictures.h"

#include "imagestore/Formbilder.h"
#include "platform/history/sqlitehistory.h"
#include "support/testdesktop.h"
#include "textstore/Textform.h"
#include "capture/Zwischablage.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <map>
#include <memory>
#include <thread>

namespace {

// The desktop's stores with a history in a folder of its own, or in memory
// only; what was handed over is written before it goes.
class HistoryIf
{
public:
    HistoryIf(TestDesktop &d, bool on)
        : m_d(d)
    {
        if (!on)
            return;
        m_history = std::make_unique<SqliteHistory>(m_dir.filePath(QStringLiteral("verlauf.sqlite")));
        d.forms->services().history = m_history.get();
    }
    ~HistoryIf()
    {
        if (m_history)
            m_history->flush();
        m_d.forms->services().history = nullptr;
    }

private:
    TestDesktop &m_d;
    QTemporaryDir m_dir;
    std::unique_ptr<SqliteHistory> m_history;
};

// state.range(0): 0 the stores in memory only, 1 with the history on.
void BM_TextCaptureWithHistory(benchmark::State &state)
{
    TestDesktop d;
    const HistoryIf history(d, state.range(0) != 0);
    Textform &t = d.forms->get<Textform>();
    t.Check1->setValue(1);
    long i = 0;
    for (auto _ : state) {
        d.clipboard.setFromOutside(QStringLiteral("Eintrag %1 aus einem Programm").arg(++i));
        if (t.List1[0]->ListCount() < 30000)
            continue;
        state.PauseTiming();
        t.List1[0]->Clear();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_TextCaptureWithHistory)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_PictureCaptureWithHistory(benchmark::State &state)
{
    TestDesktop d;
    const HistoryIf history(d, state.range(0) != 0);
    Formbilder &f = d.forms->get<Formbilder>();
    f.Check1->setValue(1);
    QByteArray png;
    QBuffer out(&png);
    out.open(QIODevice::WriteOnly);
    benchpictures::photo(3840, 2160, 3).save(&out, "PNG");
    const StoredPicture picture = StoredPicture::encoded(png, "image/png", QImage());
    for (auto _ : state) {
        // The hidden viewer's new picture is a capture: the store takes it.
        d.forms->get<Zwischablage>().Picture1->setPicture(picture);
    }
}
BENCHMARK(BM_PictureCaptureWithHistory)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(20);

long long steadyMicros()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void reportKills(int kills)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("verlauf/verlauf.sqlite"));
    int opened = 0, intact = 0, lostOlder = 0;
    long long worstMissingAgeUs = 0;
    int previous = 0;
    QStringList kept;
    for (int k = 0; k < kills; ++k) {
        QProcess writer;
        writer.start(QStringLiteral(HISTORY_WRITER), {path, QString::number(1 + k % 20), QStringLiteral("paced")});
        writer.waitForStarted();
        std::this_thread::sleep_for(std::chrono::milliseconds(30 + QRandomGenerator::global()->bounded(300)));
        const long long killedAt = steadyMicros();
        ::kill(pid_t(writer.processId()), SIGKILL);
        writer.waitForFinished();
        std::map<int, long long> handed; // last entry of a burst -> when it was handed
        for (const QByteArray &line : writer.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 3 && parts[0] == "handed")
                handed[parts[1].toInt()] = parts[2].toLongLong();
        }
        SqliteHistory history(path);
        if (!history.usable())
            continue;
        ++opened;
        const QStringList texts = history.takeTexts(1 << 22);
        bool ok = texts.mid(0, previous) == kept;
        const int run = int(texts.size()) - previous;
        for (int i = 0; ok && i < run; ++i)
            ok = texts[previous + i] == QStringLiteral("eintrag %1").arg(i);
        intact += ok;
        for (const auto &[last, when] : handed) {
            if (last >= run && killedAt - when > 100000) {
                ++lostOlder;
                worstMissingAgeUs = std::max(worstMissingAgeUs, killedAt - when);
            }
        }
        kept = texts;
        previous = int(texts.size());
    }
    std::printf("kills: %d; history opened after %d, in order and none twice after %d; bursts handed over more than "
                "100 ms before a kill and missing: %d (oldest missing %.1f ms); entries kept in all: %d\n",
                kills, opened, intact, lostOlder, worstMissingAgeUs / 1000.0, previous);
}

void reportFullHistory()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("verlauf/verlauf.sqlite"));
    qint64 payload = 0;
    {
        TestDesktop d;
        SqliteHistory history(path);
        d.forms->services().history = &history;
        Textform &t = d.forms->get<Textform>();
        for (int i = 0; i < ListModel::kMaxEntries; ++i) {
            const QString text = QStringLiteral("Eintrag %1: ein Satz aus einem Programm, kopiert und gemerkt").arg(i);
            payload += text.toUtf8().size();
            t.List1[0]->AddItem(text);
        }
        Formbilder &f = d.forms->get<Formbilder>();
        f.Check1->setValue(1);
        for (int n = 0; n < Formbilder::kSlots; ++n) {
            QByteArray jpeg;
            QBuffer out(&jpeg);
            out.open(QIODevice::WriteOnly);
            benchpictures::photo(3840, 2160, n).save(&out, "JPEG", 90);
            payload += jpeg.size();
            d.forms->get<Zwischablage>().Picture1->setPicture(StoredPicture::encoded(jpeg, "image/jpeg", QImage()));
        }
        history.flush();
        d.forms->services().history = nullptr;
    }
    TestDesktop d;
    QElapsedTimer clock;
    clock.start();
    SqliteHistory history(path);
    const qint64 opened = clock.elapsed();
    d.forms->services().history = &history;
    clock.restart();
    Textform &t = d.forms->get<Textform>();
    t.Show();
    QCoreApplication::processEvents();
    const qint64 textShown = clock.elapsed();
    clock.restart();
    Formbilder &f = d.forms->get<Formbilder>();
    f.Show();
    QCoreApplication::processEvents();
    const qint64 imagesShown = clock.elapsed();
    d.forms->services().history = nullptr;
    const qint64 size = QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
    std::printf("full history (%d texts, ten 4K JPEG photos): opened and read in %lld ms, text store shown in %lld ms, "
                "image store in %lld ms; %d entries listed\n",
                ListModel::kMaxEntries, static_cast<long long>(opened), static_cast<long long>(textShown),
                static_cast<long long>(imagesShown), t.List1[0]->ListCount());
    std::printf("file: %.1f MB for %.1f MB of texts and pictures (renderings included): %+.1f %%\n", size / 1e6,
                payload / 1e6, 100.0 * (double(size) - double(payload)) / double(payload));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    reportFullHistory();
    reportKills(qEnvironmentVariableIntValue("HISTORY_KILLS") > 0 ? qEnvironmentVariableIntValue("HISTORY_KILLS") : 200);
    return 0;
}
